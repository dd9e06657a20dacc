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

QByteArray ToPlaybackFormat(const TWaveSound& sound) {
    const int frameBytes = sound.Channels * sound.BitsPerSample / 8;
    if (frameBytes <= 0 || sound.SampleRate <= 0) return {};
    const qint64 inFrames = sound.Samples.size() / frameBytes;
    const auto* in = reinterpret_cast<const unsigned char*>(sound.Samples.constData());
    // Sample `c` of frame `f`, as a signed 16-bit value.
    auto at = [&](qint64 f, int c) -> int {
        const unsigned char* p = in + f * frameBytes + (sound.Channels == 2 ? c : 0) * (sound.BitsPerSample / 8);
        if (sound.BitsPerSample == 8) return (p[0] - 128) * 256;
        return static_cast<int16_t>(static_cast<uint16_t>(p[0] | p[1] << 8));
    };
    const qint64 outFrames = (inFrames * PlaybackRate + sound.SampleRate / 2) / sound.SampleRate;
    QByteArray out(outFrames * PlaybackFrameBytes, Qt::Uninitialized);
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    for (qint64 k = 0; k < outFrames; ++k) {
        // Output frame k lies at input position k * rate / PlaybackRate: between
        // frames f and f + 1, `part` of the way (in 1/PlaybackRate steps).
        const qint64 pos = k * sound.SampleRate;
        const qint64 f = pos / PlaybackRate, part = pos % PlaybackRate;
        for (int c = 0; c < 2; ++c) {
            const int a = at(std::min(f, inFrames - 1), c);
            const int b = at(std::min(f + 1, inFrames - 1), c);
            const auto v = static_cast<int16_t>(a + (b - a) * part / PlaybackRate);
            const auto u = static_cast<uint16_t>(v);
            o[k * PlaybackFrameBytes + 2 * c] = static_cast<unsigned char>(u & 0xFF);
            o[k * PlaybackFrameBytes + 2 * c + 1] = static_cast<unsigned char>(u >> 8);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// The connection to the sound server

namespace {

// What the desktop's volume mixer shows, and what its rules (ducking, routing
// by role) go by: the program and its stream are a game's, with the icon and
// the id of its desktop entry (agarhold.desktop).
pa_proplist* GameProperties(const char* mediaName) {
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Agarhold");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "agarhold");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "agarhold");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "game");
    if (mediaName != nullptr) pa_proplist_sets(props, PA_PROP_MEDIA_NAME, mediaName);
    return props;
}

pa_sample_spec PlaybackSampleFormat() {
    pa_sample_spec format{};
    format.format = PA_SAMPLE_S16LE;
    format.rate = PlaybackRate;
    format.channels = 2;
    return format;
}

// The stream's target length: what the server holds ahead of what is heard.
// Short, so a sound starts at once even where the server cannot rewind.
constexpr pa_usec_t TargetLengthUs = 25 * 1000;

}  // namespace

// One connection to the sound server and its one playback stream, kept for the
// whole run while the server is there. PulseAudio's threaded main loop runs the
// connection on its own thread; every call from the game's thread holds the
// loop's lock, and the callbacks run with it held, so the members below are
// only touched under that lock. Nothing here blocks the game: connecting and
// playing are asynchronous, and a server that does not answer only keeps its
// sound from being heard.
//
// A stream is only let go once the server has answered for it (it is ready, or
// failed): the client library cannot take back a stream still being set up,
// and the server would keep it for as long as the connection lasts.
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
        // Closing the connection takes every stream of it off the server.
        DropContext();
        pa_threaded_mainloop_unlock(Loop);
        pa_threaded_mainloop_stop(Loop);
        pa_threaded_mainloop_free(Loop);
    }
    TServerOutput(const TServerOutput&) = delete;
    TServerOutput& operator=(const TServerOutput&) = delete;

    // Starts `samples` (playback format), cutting off the sound that plays. A
    // connection that failed (the server went away, or there was none) is
    // replaced by a new one here, so a server that is back is heard from this
    // sound on.
    void Play(const QByteArray& samples) {
        if (Loop == nullptr) return;
        pa_threaded_mainloop_lock(Loop);
        Pending = samples;
        HavePending = true;
        const pa_context_state_t state = Context ? pa_context_get_state(Context) : PA_CONTEXT_FAILED;
        if (!PA_CONTEXT_IS_GOOD(state)) Connect();
        else if (state == PA_CONTEXT_READY) {
            if (Stream == nullptr) StartStream();
            else if (pa_stream_get_state(Stream) == PA_STREAM_READY) WritePending();
            // A stream being set up takes the sound once it is ready.
        }
        // Still connecting: the stream is made when the connection is ready.
        pa_threaded_mainloop_unlock(Loop);
    }

    // Cuts off the sound that plays (and one still waiting for the stream).
    void Cut() {
        if (Loop == nullptr) return;
        pa_threaded_mainloop_lock(Loop);
        HavePending = false;
        Pending.clear();
        if (StreamReady()) {
            CancelDrain();
            Operate(pa_stream_flush(Stream, nullptr, nullptr));
            Operate(pa_stream_cork(Stream, 1, nullptr, nullptr));
        }
        pa_threaded_mainloop_unlock(Loop);
    }

    // The sound's time is over: one the stream has not taken yet is not
    // played any more (the server came too late for it); one it took plays out.
    void Expire() {
        if (Loop == nullptr) return;
        pa_threaded_mainloop_lock(Loop);
        HavePending = false;
        Pending.clear();
        pa_threaded_mainloop_unlock(Loop);
    }

    // True while the stream on the server takes samples.
    bool Active() const {
        if (Loop == nullptr) return false;
        pa_threaded_mainloop_lock(Loop);
        const bool active = StreamReady();
        pa_threaded_mainloop_unlock(Loop);
        return active;
    }

private:
    bool StreamReady() const { return Stream != nullptr && pa_stream_get_state(Stream) == PA_STREAM_READY; }

    static void Operate(pa_operation* op) {
        if (op != nullptr) pa_operation_unref(op);
    }

    // The server answers only the latest drain of a stream; an earlier one
    // would wait, and take memory, for as long as the stream lasts.
    void CancelDrain() {
        if (Drain == nullptr) return;
        pa_operation_cancel(Drain);
        pa_operation_unref(Drain);
        Drain = nullptr;
    }

    void Connect() {
        DropStream();
        DropContext();
        pa_proplist* props = GameProperties(nullptr);
        Context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(Loop), "Agarhold", props);
        pa_proplist_free(props);
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
        const pa_sample_spec format = PlaybackSampleFormat();
        pa_proplist* props = GameProperties("Game sound");
        Stream = pa_stream_new_with_proplist(Context, "Game sound", &format, nullptr, props);
        pa_proplist_free(props);
        if (Stream == nullptr) {
            HavePending = false;
            return;
        }
        pa_stream_set_state_callback(Stream, &TServerOutput::StreamStateChanged, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(TargetLengthUs, &format));
        // The server's own prebuffering: a stream that ran dry is stopped
        // there (so the drain that waits for it is answered). Each sound is
        // written whole and then started at once (see WritePending).
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        // Corked until there is a sound: an idle stream keeps no sink awake.
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
        if (pa_stream_connect_playback(Stream, nullptr, &attr, flags, nullptr, nullptr) < 0) {
            // Never connected: the server does not know of it.
            pa_stream_set_state_callback(Stream, nullptr, nullptr);
            pa_stream_unref(Stream);
            Stream = nullptr;
            HavePending = false;
        }
    }

    // Lets go of the stream. One the server has answered for goes from the
    // server too; one still being set up is only dropped with its connection
    // (see Connect), never here.
    void DropStream() {
        CancelDrain();
        if (Stream == nullptr) return;
        pa_stream_set_state_callback(Stream, nullptr, nullptr);
        pa_stream_disconnect(Stream);
        pa_stream_unref(Stream);
        Stream = nullptr;
    }

    // The pending sound replaces whatever the stream still holds, and the
    // stream plays until the server has played it out.
    void WritePending() {
        if (!HavePending) return;
        HavePending = false;
        CancelDrain();
        Operate(pa_stream_flush(Stream, nullptr, nullptr));
        if (!Pending.isEmpty() &&
            pa_stream_write(Stream, Pending.constData(), static_cast<size_t>(Pending.size()), nullptr, 0,
                            PA_SEEK_RELATIVE) < 0) {
            Pending.clear();
            return;
        }
        // The server keeps its own copy.
        Pending.clear();
        // It plays now, even when shorter than what the server would wait for.
        Operate(pa_stream_trigger(Stream, nullptr, nullptr));
        Operate(pa_stream_cork(Stream, 0, nullptr, nullptr));
        Drain = pa_stream_drain(Stream, &TServerOutput::StreamDrained, this);
    }

    static void ContextStateChanged(pa_context* context, void* self) {
        auto* out = static_cast<TServerOutput*>(self);
        if (context != out->Context) return;
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY) {
            if (out->Stream == nullptr && out->HavePending) out->StartStream();
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            // The server went away (or was never there), and the stream with
            // it. Its sound is lost; the connection is made again when the game
            // plays its next sound.
            out->DropStream();
            out->HavePending = false;
            out->Pending.clear();
        }
    }

    static void StreamStateChanged(pa_stream* stream, void* self) {
        auto* out = static_cast<TServerOutput*>(self);
        if (stream != out->Stream) return;
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY) {
            out->WritePending();
        } else if (!PA_STREAM_IS_GOOD(state)) {
            // The sink went (and none took the stream over), or the server
            // refused the stream: this sound stays silent, the next one makes
            // a stream again.
            out->DropStream();
            out->HavePending = false;
            out->Pending.clear();
        }
    }

    // The last sound written has been played out: the stream rests until the
    // next one. (A drain that a newer sound or a cut overtook was cancelled.)
    static void StreamDrained(pa_stream* stream, int success, void* self) {
        auto* out = static_cast<TServerOutput*>(self);
        if (stream != out->Stream) return;
        if (out->Drain != nullptr) {
            pa_operation_unref(out->Drain);
            out->Drain = nullptr;
        }
        if (success) Operate(pa_stream_cork(stream, 1, nullptr, nullptr));
    }

    pa_threaded_mainloop* Loop = nullptr;
    pa_context* Context = nullptr;
    pa_stream* Stream = nullptr;
    QByteArray Pending;
    bool HavePending = false;
    pa_operation* Drain = nullptr;  // waits for the latest sound to be played out
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

void TSoundPlayer::Finish() {
    Output->Expire();
    End(false);
}

void TSoundPlayer::Play(const void* owner, const QByteArray& samples) {
    End(false);  // the new sound cuts the old one off as it starts
    Current = ++LastSerial;
    Owner = owner;
    const qint64 frames = samples.size() / PlaybackFrameBytes;
    LengthTimer->start(static_cast<int>((frames * 1000 + PlaybackRate - 1) / PlaybackRate) + 50);
    Output->Play(samples);
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
    Items.append(item);
}

const QByteArray& TDIBWavList::Samples(int index) const {
    TItem& item = Items[index];
    if (!item.Converted) {
        item.Converted = true;
        if (!item.File.isEmpty())
            if (const std::optional<TWaveSound> sound = ParseWave(item.File)) item.Samples = ToPlaybackFormat(*sound);
    }
    return item.Samples;
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
    return index >= 0 && index < Count() && !Samples(index).isEmpty();
}

void TDIBWavList::Play(int index) {
    if (!Playable(index)) return;
    if (TSoundPlayer* player = TSoundPlayer::Shared()) player->Play(this, Samples(index));
}

void TDIBWavList::Stop() {
    if (TSoundPlayer* player = TSoundPlayer::IfExists()) player->StopOwner(this);
}
