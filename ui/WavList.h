// Wave lists: ordered lists of whole RIFF WAVE files held in memory, played
// one sound at a time in the whole program.
//
// The RIFF reader is our own: it skips chunks it does not know, honours the
// pad byte after an odd-sized chunk and refuses damaged files, so a bad item
// simply stays silent. Playback goes through one shared player; starting any
// sound cuts off the one that is playing, whichever list it came from.
//
// The player talks to the desktop's sound server (PulseAudio, or PipeWire's
// PulseAudio service) itself, because the server may go away and come back
// while the game runs: a connection that failed is dropped, and the next sound
// makes a new one. While the connection lasts the game keeps one playback
// stream on it, in one sample format (every sound is converted to it once, when
// its list takes it): a new sound flushes what the stream still holds and
// writes its own samples, so it is heard at once and nothing is set up per
// sound. Between sounds the stream is corked, so the server may rest. Qt Multimedia 6.4 gives up for good once its connection
// fails, so a restarted server or one that arrived after the start would
// never be heard. Without a server, or without a sink on it, the game plays on
// silently; nothing is retried until there is a sound to play.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QVector>
#include <optional>

class QTimer;
class TServerOutput;

// The PCM content of a wave file: format and samples.
struct TWaveSound {
    int Channels = 0;        // 1 or 2
    int SampleRate = 0;      // samples per second and channel
    int BitsPerSample = 0;   // 8 (unsigned) or 16 (signed little-endian)
    QByteArray Samples;      // the "data" chunk, whole sample frames only

    // Length in milliseconds, rounded up.
    int DurationMs() const;
};

// Reads a RIFF WAVE file. Returns nothing for a damaged file or a format the
// game cannot play (only uncompressed PCM, 8 or 16 bits, mono or stereo).
std::optional<TWaveSound> ParseWave(const QByteArray& file);

// The one sample format of the game's playback stream: signed 16-bit
// little-endian, two channels, this many frames a second.
constexpr int PlaybackRate = 44100;
constexpr int PlaybackFrameBytes = 4;

// `sound` in the playback format: 8-bit samples widened, a mono channel
// doubled, another rate resampled (linearly; the game's sounds are short
// effects). The result lasts as long as the sound, to the nearest frame.
QByteArray ToPlaybackFormat(const TWaveSound& sound);

// The one player of the program. It exists while a QCoreApplication does.
class TSoundPlayer : public QObject {
    Q_OBJECT
public:
    // The shared player; null when there is no application object.
    static TSoundPlayer* Shared();
    // The shared player if it exists already (never creates it).
    static TSoundPlayer* IfExists() { return Instance.data(); }

    // Starts `samples` (in the playback format) for `owner`, cutting off
    // whatever plays now.
    void Play(const void* owner, const QByteArray& samples);
    // Stops the playing sound.
    void Stop();
    // Stops the playing sound if `owner` started it.
    void StopOwner(const void* owner);

    // Serial number of the sound now playing (each Play draws a new one),
    // 0 when nothing plays. A sound counts as playing for its length even
    // when there is no device to hear it on.
    quint64 CurrentSound() const { return Current; }
    // The owner of the sound now playing, null when nothing plays.
    const void* CurrentOwner() const { return Current != 0 ? Owner : nullptr; }
    // True while a sound server really takes the samples of a sound.
    bool DeviceActive() const;

signals:
    // The current sound ended (played out or cut off).
    void SoundEnded(quint64 serial);

private:
    explicit TSoundPlayer(QObject* parent);
    ~TSoundPlayer() override;
    // The sound's length has passed: it ends, and the server plays out what
    // it still holds of it.
    void Finish();
    void End(bool cutOff);

    static QPointer<TSoundPlayer> Instance;
    quint64 Current = 0;
    quint64 LastSerial = 0;
    const void* Owner = nullptr;
    QTimer* LengthTimer = nullptr;
    TServerOutput* Output = nullptr;
};

class TDIBWavList {
public:
    TDIBWavList() = default;
    ~TDIBWavList();
    TDIBWavList(const TDIBWavList&) = delete;
    TDIBWavList& operator=(const TDIBWavList&) = delete;

    // Copies all items of `other` (empty ones included).
    void Assign(const TDIBWavList& other);
    // Appends a whole RIFF WAVE file; an empty array is an item without sound data.
    void Add(const QByteArray& waveFile);
    void Clear();

    int Count() const { return static_cast<int>(Items.size()); }
    // The file bytes of item `index` (empty outside the list).
    QByteArray Item(int index) const;
    // True when item `index` holds a playable sound.
    bool Playable(int index) const;

    // Plays item `index` in the background, cutting off any sound of the
    // program. An item without data, a damaged file or an index outside the
    // list plays nothing (and leaves the playing sound alone).
    void Play(int index);
    // Stops the sound if this list started it.
    void Stop();

private:
    struct TItem {
        QByteArray File;
        // In the playback format, made the first time the item is asked for,
        // so that start-up does not wait for every conversion; empty when not
        // playable.
        QByteArray Samples;
        bool Converted = false;
    };
    // The item's samples, converted now if they have not been yet.
    const QByteArray& Samples(int index) const;
    mutable QVector<TItem> Items;
};
