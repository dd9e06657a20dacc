#include "WavList.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QTimer>

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
// The shared player

QPointer<TSoundPlayer> TSoundPlayer::Instance;

TSoundPlayer::TSoundPlayer(QObject* parent) : QObject(parent), LengthTimer(new QTimer(this)) {
    LengthTimer->setSingleShot(true);
    connect(LengthTimer, &QTimer::timeout, this, [this] {
        // The device may still be emptying its buffer; it reports when done.
        if (Sink != nullptr && Sink->state() == QAudio::ActiveState) return;
        Finish();
    });
}

TSoundPlayer* TSoundPlayer::Shared() {
    if (Instance.isNull()) {
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) return nullptr;
        // A child of the application: it goes when the application goes.
        Instance = new TSoundPlayer(app);
    }
    return Instance.data();
}

bool TSoundPlayer::DeviceActive() const {
    return Sink != nullptr && (Sink->state() == QAudio::ActiveState || Sink->state() == QAudio::IdleState);
}

void TSoundPlayer::ReleaseSink() {
    if (Sink == nullptr) return;
    QAudioSink* sink = Sink;
    Sink = nullptr;
    Buffer = nullptr;
    sink->disconnect(this);
    sink->stop();
    // It may be in the middle of its own signal: delete it from the event loop.
    // Its buffer is its child and goes with it.
    sink->deleteLater();
}

void TSoundPlayer::Stop() {
    if (Current == 0) return;
    LengthTimer->stop();
    ReleaseSink();
    const quint64 ended = Current;
    Current = 0;
    Owner = nullptr;
    emit SoundEnded(ended);
}

void TSoundPlayer::StopOwner(const void* owner) {
    if (Current != 0 && Owner == owner) Stop();
}

void TSoundPlayer::Finish() { Stop(); }

void TSoundPlayer::Play(const void* owner, const TWaveSound& sound) {
    Stop();
    Current = ++LastSerial;
    Owner = owner;
    const int length = sound.DurationMs();
    LengthTimer->start(length + 50);

    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return;  // no sound device: the game plays on silently

    QAudioFormat format;
    format.setSampleRate(sound.SampleRate);
    format.setChannelCount(sound.Channels);
    format.setSampleFormat(sound.BitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    QByteArray samples = sound.Samples;
    if (!device.isFormatSupported(format) && sound.BitsPerSample == 8) {
        // Some devices take no 8-bit samples: widen them to 16 bits.
        QByteArray wide(samples.size() * 2, Qt::Uninitialized);
        auto* out = reinterpret_cast<int16_t*>(wide.data());
        for (qsizetype i = 0; i < samples.size(); ++i)
            out[i] = static_cast<int16_t>((static_cast<int>(static_cast<uint8_t>(samples[i])) - 128) * 256);
        samples = wide;
        format.setSampleFormat(QAudioFormat::Int16);
    }
    if (!device.isFormatSupported(format)) return;

    Sink = new QAudioSink(device, format, this);
    Buffer = new QBuffer(Sink);
    Buffer->setData(samples);
    Buffer->open(QIODevice::ReadOnly);
    QAudioSink* sink = Sink;
    connect(sink, &QAudioSink::stateChanged, this, [this, sink](QAudio::State state) {
        if (sink != Sink) return;
        if (state == QAudio::IdleState) {
            // Played out (or the device starved after the end): the sound is over
            // once its length has passed too.
            if (!LengthTimer->isActive()) Finish();
            else ReleaseSink();
        } else if (state == QAudio::StoppedState && sink->error() != QAudio::NoError) {
            ReleaseSink();  // the device failed: the sound runs on silently
        }
    });
    sink->start(Buffer);
    if (Sink == sink && sink->error() != QAudio::NoError) ReleaseSink();
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
