#include "WavList.h"

#include <QCoreApplication>
#include <QTimer>

#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------
// Reading RIFF WAVE files

namespace {

uint32_t U32(const QByteArray& b, qsizetype at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint16_t U16(const QByteArray& b, qsizetype at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

bool IdIs(const QByteArray& b, qsizetype at, const char id[4]) { return std::memcmp(b.constData() + at, id, 4) == 0; }

constexpr uint16_t FormatPcm = 1;
constexpr uint16_t FormatExtensible = 0xFFFE;

}  // namespace

int TWaveSound::DurationMs() const {
    const qint64 frameBytes = static_cast<qint64>(Channels) * BitsPerSample / 8;
    if (frameBytes <= 0 || SampleRate <= 0) return 0;
    const qint64 frames = Samples.size() / frameBytes;
    return static_cast<int>((frames * 1000 + SampleRate - 1) / SampleRate);
}

std::optional<TWaveSound> ParseWave(const QByteArray& file) {
    const qsizetype size = file.size();
    if (size < 12 || !IdIs(file, 0, "RIFF") || !IdIs(file, 8, "WAVE")) return std::nullopt;
    const qint64 riffSize = U32(file, 4);
    // A file shorter than its RIFF chunk says is cut off. Bytes after the
    // chunk (some writers leave a stray one) are not part of the sound.
    if (riffSize < 4 || riffSize > size - 8) return std::nullopt;
    const qint64 end = 8 + riffSize;

    bool haveFormat = false, haveData = false;
    uint16_t tag = 0, channels = 0, blockAlign = 0, bits = 0;
    uint32_t rate = 0, byteRate = 0;
    qint64 dataAt = 0, dataSize = 0;
    qint64 pos = 12;
    while (end - pos >= 8) {
        const qint64 chunkSize = U32(file, pos + 4);
        const qint64 body = pos + 8;
        if (chunkSize > end - body) return std::nullopt;  // runs past the end of the file
        if (IdIs(file, pos, "fmt ") && !haveFormat) {
            if (chunkSize < 16) return std::nullopt;
            tag = U16(file, body);
            channels = U16(file, body + 2);
            rate = U32(file, body + 4);
            byteRate = U32(file, body + 8);
            blockAlign = U16(file, body + 12);
            bits = U16(file, body + 14);
            if (tag == FormatExtensible) {
                // The sub-format's first two bytes name the real coding.
                if (chunkSize < 40) return std::nullopt;
                tag = U16(file, body + 24);
            }
            haveFormat = true;
        } else if (IdIs(file, pos, "data") && !haveData) {
            dataAt = body;
            dataSize = chunkSize;
            haveData = true;
        }
        // Chunks the game does not know ("LIST", "PAD ", ...) are skipped;
        // an odd-sized chunk is followed by a pad byte.
        pos = body + chunkSize + (chunkSize & 1);
    }
    if (!haveFormat || !haveData) return std::nullopt;
    if (tag != FormatPcm || (channels != 1 && channels != 2) || (bits != 8 && bits != 16)) return std::nullopt;
    if (rate < 1000 || rate > 192000) return std::nullopt;
    if (blockAlign != channels * bits / 8 || byteRate != rate * blockAlign) return std::nullopt;
    const qint64 wholeFrames = dataSize / blockAlign * blockAlign;
    if (wholeFrames == 0) return std::nullopt;

    TWaveSound sound;
    sound.Channels = channels;
    sound.SampleRate = static_cast<int>(rate);
    sound.BitsPerSample = bits;
    sound.Samples = file.mid(dataAt, wholeFrames);
    return sound;
}

// ---------------------------------------------------------------------------
// The connection to the sound server

// One connection to the sound server and at most one playback stream on it.
// PulseAudio's threaded main loop runs the connection on its own thread; every
// call from the game's thread holds the loop's lock, and the callbacks run
// with it held, so the members below are only touched under that lock. Nothing
// here blocks the game: connecting and playing are asynchronous, and a server
// that does not answer only keeps its sound from being heard.
class TServerOutput {
public:
    TServerOutput() {
        Loop = pa_threaded_mainloop_new();
        if (Loop != nullptr && pa_threaded_mainloop_start(Loop) < 0) {
            pa_threaded_mainloop_free(Loop);
            Loop = nullptr;
        }
    }
    ~TServerOutput() {
        if (Loop == nullptr) return;
        pa_threaded_mainloop_lock(Loop);
        DropStream();
        DropContext();
        pa_threaded_mainloop_unlock(Loop);
        pa_threaded_mainloop_stop(Loop);
        pa_threaded_mainloop_free(Loop);
    }
    TServerOutput(const TServerOutput&) = delete;
    TServerOutput& operator=(const TServerOutput&) = delete;

    // Starts `sound`, cutting off the stream that plays. A connection that
    // failed (the server went away, or there was none) is replaced by a new
    // one here, so a server that is back is heard from this sound on.
    void Play(const TWaveSound& sound) {
        if (Loop == nullptr) return;
        pa_threaded_mainloop_lock(Loop);
        DropStream();
        Pending = sound;
        Written = 0;
        HavePending = true;
        const pa_context_state_t state = Context ? pa_context_get_state(Context) : PA_CONTEXT_FAILED;
        if (!PA_CONTEXT_IS_GOOD(state)) Connect();
        else if (state == PA_CONTEXT_READY) StartStream();
        // Still connecting: the stream starts when the connection is ready.
        pa_threaded_mainloop_unlock(Loop);
    }

    // Cuts off the sound that plays (and one still waiting for the connection).
    void Cut() {
        if (Loop == nullptr) return;
        pa_threaded_mainloop_lock(Loop);
        HavePending = false;
        DropStream();
        pa_threaded_mainloop_unlock(Loop);
    }

    // True while a stream on the server takes samples.
    bool Active() const {
        if (Loop == nullptr) return false;
        pa_threaded_mainloop_lock(Loop);
        const bool active = Stream != nullptr && pa_stream_get_state(Stream) == PA_STREAM_READY;
        pa_threaded_mainloop_unlock(Loop);
        return active;
    }

private:
    void Connect() {
        DropContext();
        Context = pa_context_new(pa_threaded_mainloop_get_api(Loop), "Agarhold");
        if (Context == nullptr) return;
        pa_context_set_state_callback(Context, &TServerOutput::ContextStateChanged, this);
        // No server is started on the game's behalf; an address that takes no
        // connection fails at once, and the next sound tries again.
        if (pa_context_connect(Context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) DropContext();
    }

    void DropContext() {
        if (Context == nullptr) return;
        pa_context_set_state_callback(Context, nullptr, nullptr);
        pa_context_disconnect(Context);
        pa_context_unref(Context);
        Context = nullptr;
    }

    void StartStream() {
        if (!HavePending) return;
        pa_sample_spec format{};
        format.format = Pending.BitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
        format.rate = static_cast<uint32_t>(Pending.SampleRate);
        format.channels = static_cast<uint8_t>(Pending.Channels);
        Stream = pa_stream_new(Context, "Game sound", &format, nullptr);
        if (Stream == nullptr) {
            HavePending = false;
            return;
        }
        pa_stream_set_state_callback(Stream, &TServerOutput::StreamStateChanged, this);
        pa_stream_set_write_callback(Stream, &TServerOutput::StreamWantsData, this);
        // A short buffer: the sound starts at once, and a sound that cuts it
        // off is heard at once too.
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(60 * 1000, &format));
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        if (pa_stream_connect_playback(Stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0)
            DropStream();
    }

    void DropStream() {
        if (Stream == nullptr) return;
        pa_stream_set_state_callback(Stream, nullptr, nullptr);
        pa_stream_set_write_callback(Stream, nullptr, nullptr);
        pa_stream_disconnect(Stream);
        pa_stream_unref(Stream);
        Stream = nullptr;
    }

    static void ContextStateChanged(pa_context* context, void* self) {
        auto* out = static_cast<TServerOutput*>(self);
        if (context != out->Context) return;
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY) {
            if (out->Stream == nullptr) out->StartStream();
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            // The server went away (or was never there). Its sound is lost; the
            // connection is made again when the game plays its next sound.
            out->DropStream();
            out->HavePending = false;
        }
    }

    static void StreamStateChanged(pa_stream* stream, void* self) {
        auto* out = static_cast<TServerOutput*>(self);
        if (stream != out->Stream) return;
        // The sink went (and none took the stream over), or the server refused
        // the stream: this sound stays silent, the next one asks again.
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
            out->DropStream();
            out->HavePending = false;
        }
    }

    static void StreamWantsData(pa_stream* stream, size_t bytes, void* self) {
        auto* out = static_cast<TServerOutput*>(self);
        if (stream != out->Stream || !out->HavePending) return;
        const qsizetype left = out->Pending.Samples.size() - out->Written;
        const qsizetype now = std::min<qsizetype>(left, static_cast<qsizetype>(bytes));
        if (now > 0) {
            // The server takes a copy; the game's samples stay as they are.
            if (pa_stream_write(stream, out->Pending.Samples.constData() + out->Written, static_cast<size_t>(now),
                                nullptr, 0, PA_SEEK_RELATIVE) < 0) {
                out->DropStream();
                out->HavePending = false;
                return;
            }
            out->Written += now;
        }
        if (out->Written >= out->Pending.Samples.size()) {
            // All of it is there: a sound shorter than the buffer starts now,
            // and the stream goes once the server has played it out.
            out->HavePending = false;
            if (pa_operation* op = pa_stream_drain(stream, &TServerOutput::StreamDrained, self))
                pa_operation_unref(op);
        }
    }

    static void StreamDrained(pa_stream* stream, int, void* self) {
        auto* out = static_cast<TServerOutput*>(self);
        if (stream == out->Stream && !out->HavePending) out->DropStream();
    }

    pa_threaded_mainloop* Loop = nullptr;
    pa_context* Context = nullptr;
    pa_stream* Stream = nullptr;
    TWaveSound Pending;
    qsizetype Written = 0;
    bool HavePending = false;
};

// ---------------------------------------------------------------------------
// The shared player

QPointer<TSoundPlayer> TSoundPlayer::Instance;

TSoundPlayer::TSoundPlayer(QObject* parent)
    : QObject(parent), LengthTimer(new QTimer(this)), Output(new TServerOutput) {
    LengthTimer->setSingleShot(true);
    connect(LengthTimer, &QTimer::timeout, this, &TSoundPlayer::Finish);
}

TSoundPlayer::~TSoundPlayer() { delete Output; }

TSoundPlayer* TSoundPlayer::Shared() {
    if (Instance.isNull()) {
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) return nullptr;
        // A child of the application: it goes when the application goes.
        Instance = new TSoundPlayer(app);
    }
    return Instance.data();
}

bool TSoundPlayer::DeviceActive() const { return Current != 0 && Output->Active(); }

void TSoundPlayer::End(bool cutOff) {
    if (Current == 0) return;
    LengthTimer->stop();
    if (cutOff) Output->Cut();
    const quint64 ended = Current;
    Current = 0;
    Owner = nullptr;
    emit SoundEnded(ended);
}

void TSoundPlayer::Stop() { End(true); }

void TSoundPlayer::StopOwner(const void* owner) {
    if (Current != 0 && Owner == owner) Stop();
}

void TSoundPlayer::Finish() { End(false); }

void TSoundPlayer::Play(const void* owner, const TWaveSound& sound) {
    End(false);  // the new sound cuts the old one off as it starts
    Current = ++LastSerial;
    Owner = owner;
    LengthTimer->start(sound.DurationMs() + 50);
    Output->Play(sound);
}

// ---------------------------------------------------------------------------
// Wave lists

TDIBWavList::~TDIBWavList() { Stop(); }

void TDIBWavList::Assign(const TDIBWavList& other) {
    if (&other == this) return;
    Items = other.Items;
}

void TDIBWavList::Add(const QByteArray& waveFile) {
    TItem item;
    item.File = waveFile;
    if (!waveFile.isEmpty()) item.Sound = ParseWave(waveFile);
    Items.append(item);
}

void TDIBWavList::Clear() {
    Stop();
    Items.clear();
}

QByteArray TDIBWavList::Item(int index) const {
    if (index < 0 || index >= Count()) return {};
    return Items[index].File;
}

bool TDIBWavList::Playable(int index) const {
    return index >= 0 && index < Count() && Items[index].Sound.has_value();
}

void TDIBWavList::Play(int index) {
    if (!Playable(index)) return;
    if (TSoundPlayer* player = TSoundPlayer::Shared()) player->Play(this, *Items[index].Sound);
}

void TDIBWavList::Stop() {
    if (TSoundPlayer* player = TSoundPlayer::IfExists()) player->StopOwner(this);
}
