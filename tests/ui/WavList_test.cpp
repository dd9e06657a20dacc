// Wave lists: our own RIFF reader on hand-made files, and the one shared
// player that lets only one sound play at a time in the whole program.
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

#include <memory>

#include "Assets.h"
#include "WavList.h"

namespace {

void PutU16(QByteArray& a, int v) {
    a.append(static_cast<char>(v & 0xFF));
    a.append(static_cast<char>((v >> 8) & 0xFF));
}

void PutU32(QByteArray& a, uint32_t v) {
    for (int i = 0; i < 4; ++i) a.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

QByteArray Chunk(const char id[4], const QByteArray& body, bool padOdd = true) {
    QByteArray c(id, 4);
    PutU32(c, static_cast<uint32_t>(body.size()));
    c.append(body);
    if (padOdd && body.size() % 2 == 1) c.append('\0');
    return c;
}

QByteArray FormatBody(int channels, int rate, int bits, int tag = 1) {
    QByteArray f;
    PutU16(f, tag);
    PutU16(f, channels);
    PutU32(f, static_cast<uint32_t>(rate));
    PutU32(f, static_cast<uint32_t>(rate * channels * bits / 8));
    PutU16(f, channels * bits / 8);
    PutU16(f, bits);
    return f;
}

QByteArray Riff(const QByteArray& chunks) {
    QByteArray out("RIFF");
    PutU32(out, static_cast<uint32_t>(4 + chunks.size()));
    out.append("WAVE");
    out.append(chunks);
    return out;
}

// Recognisable sample bytes: 0, 1, 2, ... modulo 251.
QByteArray Samples(int bytes) {
    QByteArray s(bytes, '\0');
    for (int i = 0; i < bytes; ++i) s[i] = static_cast<char>(i % 251);
    return s;
}

QByteArray SimpleWave(int channels, int rate, int bits, int dataBytes) {
    return Riff(Chunk("fmt ", FormatBody(channels, rate, bits)) + Chunk("data", Samples(dataBytes)));
}

// Runs the event loop for `ms` milliseconds.
void RunEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

// The four PCM layouts of the sounds table and the other plain layouts are read.
TEST(ParseWave, readsPcmOfEightAndSixteenBitsMonoAndStereo) {
    struct TCase {
        int Channels, Rate, Bits, Bytes;
    };
    for (const TCase& c : {TCase{2, 44100, 16, 400}, TCase{1, 11025, 8, 101}, TCase{1, 22050, 16, 64},
                           TCase{2, 8000, 8, 50}}) {
        SCOPED_TRACE(testing::Message() << c.Channels << "ch " << c.Rate << "Hz " << c.Bits << "bit");
        const auto sound = ParseWave(SimpleWave(c.Channels, c.Rate, c.Bits, c.Bytes));
        ASSERT_TRUE(sound.has_value());
        EXPECT_EQ(sound->Channels, c.Channels);
        EXPECT_EQ(sound->SampleRate, c.Rate);
        EXPECT_EQ(sound->BitsPerSample, c.Bits);
        EXPECT_EQ(sound->Samples, Samples(c.Bytes));
    }
}

// Chunks the reader does not know are skipped, before and after the samples,
// and an odd-sized one is followed by its pad byte.
TEST(ParseWave, skipsUnknownChunksAndHonoursThePadByteOfOddOnes) {
    const QByteArray file = Riff(Chunk("LIST", QByteArray("INFOISFT\x05\0\0\0abcd\0", 17)) +
                                 Chunk("fmt ", FormatBody(2, 44100, 16)) + Chunk("PAD ", QByteArray(2047, '\x7F')) +
                                 Chunk("junk", QByteArray(3, 'j')) + Chunk("data", Samples(1000)) +
                                 Chunk("PAD ", QByteArray(12, '\0')));
    const auto sound = ParseWave(file);
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->Samples, Samples(1000));

    // Without the pad byte the next chunk header is read one byte early: the
    // file is then damaged and refused rather than read as wrong samples.
    const QByteArray unpadded = Riff(Chunk("fmt ", FormatBody(1, 11025, 8)) + Chunk("odd ", QByteArray(5, 'x'), false) +
                                     Chunk("data", Samples(20)));
    EXPECT_FALSE(ParseWave(unpadded).has_value());
}

// An odd data chunk is read whole, its pad byte is not a sample, and a
// missing final pad byte is no harm.
TEST(ParseWave, readsAnOddDataChunkWithOrWithoutItsFinalPadByte) {
    const QByteArray padded = SimpleWave(1, 11025, 8, 7951);
    EXPECT_EQ(padded.size(), 7996);
    const auto a = ParseWave(padded);
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->Samples.size(), 7951);

    const QByteArray unpadded = Riff(Chunk("fmt ", FormatBody(1, 11025, 8)) + Chunk("data", Samples(7951), false));
    const auto b = ParseWave(unpadded);
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(b->Samples, Samples(7951));
}

// Bytes after the RIFF chunk are not part of the sound.
TEST(ParseWave, ignoresBytesAfterTheRiffChunk) {
    QByteArray file = SimpleWave(2, 44100, 16, 40);
    file.append(QByteArray(1, '\xAA'));
    const auto sound = ParseWave(file);
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->Samples, Samples(40));
}

// A data chunk that ends in a partial sample frame plays only its whole frames.
TEST(ParseWave, keepsOnlyWholeSampleFrames) {
    const auto sound = ParseWave(SimpleWave(2, 44100, 16, 10));
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->Samples.size(), 8);
}

// A file cut off anywhere is refused.
TEST(ParseWave, refusesEveryTruncationOfAFile) {
    const QByteArray file = Riff(Chunk("fmt ", FormatBody(2, 44100, 16)) + Chunk("LIST", QByteArray(9, 'l')) +
                                 Chunk("data", Samples(64)));
    ASSERT_TRUE(ParseWave(file).has_value());
    for (int n = 0; n < file.size(); ++n) EXPECT_FALSE(ParseWave(file.left(n)).has_value()) << n;
}

// Damaged headers and formats the game cannot play are refused.
TEST(ParseWave, refusesBadSizesAndUnplayableFormats) {
    const QByteArray data = Chunk("data", Samples(64));
    auto patched = [](QByteArray f, int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return f;
    };
    const QByteArray good = Riff(Chunk("fmt ", FormatBody(2, 44100, 16)) + data);
    ASSERT_TRUE(ParseWave(good).has_value());
    // The RIFF size claims more than the file holds.
    EXPECT_FALSE(ParseWave(patched(good, 4, static_cast<uint32_t>(good.size()))).has_value());
    EXPECT_FALSE(ParseWave(patched(good, 4, 0xFFFFFFFFu)).has_value());
    EXPECT_FALSE(ParseWave(patched(good, 4, 2)).has_value());
    // The data chunk claims more than the file holds.
    const int dataSizeAt = 12 + 8 + 16 + 4;
    EXPECT_FALSE(ParseWave(patched(good, dataSizeAt, 65)).has_value());
    EXPECT_FALSE(ParseWave(patched(good, dataSizeAt, 0xFFFFFFF0u)).has_value());
    // A format chunk too short to hold a format.
    EXPECT_FALSE(ParseWave(Riff(Chunk("fmt ", FormatBody(2, 44100, 16).left(14)) + data)).has_value());
    // Zero or three channels, 24 or 0 bits, a compressed coding, a silly rate.
    EXPECT_FALSE(ParseWave(Riff(Chunk("fmt ", FormatBody(0, 44100, 16)) + data)).has_value());
    EXPECT_FALSE(ParseWave(Riff(Chunk("fmt ", FormatBody(3, 44100, 16)) + data)).has_value());
    EXPECT_FALSE(ParseWave(Riff(Chunk("fmt ", FormatBody(2, 44100, 24)) + data)).has_value());
    EXPECT_FALSE(ParseWave(Riff(Chunk("fmt ", FormatBody(2, 44100, 0)) + data)).has_value());
    EXPECT_FALSE(ParseWave(Riff(Chunk("fmt ", FormatBody(2, 44100, 16, 2)) + data)).has_value());
    EXPECT_FALSE(ParseWave(Riff(Chunk("fmt ", FormatBody(1, 0, 8)) + data)).has_value());
    // Block size and byte rate that do not agree with the format.
    QByteArray wrongBlock = FormatBody(2, 44100, 16);
    wrongBlock[12] = 3;
    EXPECT_FALSE(ParseWave(Riff(Chunk("fmt ", wrongBlock) + data)).has_value());
    QByteArray wrongRate = FormatBody(2, 44100, 16);
    wrongRate[8] = 1;
    EXPECT_FALSE(ParseWave(Riff(Chunk("fmt ", wrongRate) + data)).has_value());
    // A part missing, or no samples at all.
    EXPECT_FALSE(ParseWave(Riff(Chunk("fmt ", FormatBody(2, 44100, 16)))).has_value());
    EXPECT_FALSE(ParseWave(Riff(data)).has_value());
    EXPECT_FALSE(ParseWave(Riff(Chunk("fmt ", FormatBody(2, 44100, 16)) + Chunk("data", {}))).has_value());
    // Not a RIFF WAVE file at all.
    QByteArray notWave = good;
    notWave.replace(8, 4, "AVI ");
    EXPECT_FALSE(ParseWave(notWave).has_value());
    EXPECT_FALSE(ParseWave(QByteArray()).has_value());
}

// Random bytes, whole or behind a valid header, and random damage to a good
// file never crash the reader; whatever it accepts is a playable layout.
TEST(ParseWave, survivesRandomBytesAndRandomDamage) {
    QRandomGenerator rng(7);
    const QByteArray good = WaveFileBytes("m_0");
    ASSERT_EQ(good.size(), 7996);
    for (int i = 0; i < 3000; ++i) {
        QByteArray f;
        switch (i % 3) {
        case 0:
            f = QByteArray(static_cast<qsizetype>(rng.bounded(200)), '\0');
            for (char& c : f) c = static_cast<char>(rng.bounded(256));
            break;
        case 1:
            // Random chunks behind a header whose RIFF size is right or random.
            {
                QByteArray body;
                for (int k = 0, n = static_cast<int>(rng.bounded(300)); k < n; ++k)
                    body.append(static_cast<char>(rng.bounded(256)));
                f = Riff(body);
                if (rng.bounded(2) == 0) {
                    const quint32 size = rng.generate();
                    for (int b = 0; b < 4; ++b) f[4 + b] = static_cast<char>((size >> (8 * b)) & 0xFF);
                }
            }
            break;
        default:
            f = good;
            for (int k = 0, n = 1 + static_cast<int>(rng.bounded(6)); k < n; ++k)
                f[static_cast<qsizetype>(rng.bounded(60))] = static_cast<char>(rng.bounded(256));
            break;
        }
        const auto sound = ParseWave(f);
        if (sound) {
            EXPECT_TRUE(sound->Channels == 1 || sound->Channels == 2);
            EXPECT_TRUE(sound->BitsPerSample == 8 || sound->BitsPerSample == 16);
            EXPECT_EQ(sound->Samples.size() % (sound->Channels * sound->BitsPerSample / 8), 0);
            EXPECT_LE(sound->Samples.size(), f.size());
        }
    }
}

// Every sound is converted once into the stream's one format: 16-bit stereo at
// 44100 Hz. Samples of that format pass unchanged; 8-bit ones are centred and
// widened, a mono channel is doubled and another rate is resampled between
// neighbouring frames, the last frame held; the length is kept.
TEST(ParseWave, convertsToThePlaybackFormatOnce) {
    auto frames = [](const QByteArray& pcm) {
        std::vector<std::pair<int, int>> out;
        for (qsizetype i = 0; i + 3 < pcm.size(); i += 4) {
            auto at = [&](qsizetype k) {
                return static_cast<int>(static_cast<int16_t>(static_cast<uint16_t>(
                    static_cast<unsigned char>(pcm[k]) | static_cast<unsigned char>(pcm[k + 1]) << 8)));
            };
            out.emplace_back(at(i), at(i + 2));
        }
        return out;
    };
    const auto stereo = ParseWave(SimpleWave(2, 44100, 16, 400));
    ASSERT_TRUE(stereo.has_value());
    EXPECT_EQ(ToPlaybackFormat(*stereo), stereo->Samples);

    QByteArray bytes;
    for (int v : {128, 192, 0, 255}) bytes.append(static_cast<char>(v));
    const auto u8 = ParseWave(Riff(Chunk("fmt ", FormatBody(1, 11025, 8)) + Chunk("data", bytes)));
    ASSERT_TRUE(u8.has_value());
    std::vector<std::pair<int, int>> want8;
    for (int v : {0, 4096, 8192, 12288, 16384, 4096, -8192, -20480, -32768, -16448, -128, 16192, 32512, 32512, 32512,
                  32512})
        want8.emplace_back(v, v);
    EXPECT_EQ(frames(ToPlaybackFormat(*u8)), want8);

    QByteArray mono;
    for (int v : {1000, -3000, 7}) PutU16(mono, v & 0xFFFF);
    const auto s16 = ParseWave(Riff(Chunk("fmt ", FormatBody(1, 22050, 16)) + Chunk("data", mono)));
    ASSERT_TRUE(s16.has_value());
    const std::vector<std::pair<int, int>> want16 = {{1000, 1000},   {-1000, -1000}, {-3000, -3000},
                                                     {-1497, -1497}, {7, 7},         {7, 7}};
    EXPECT_EQ(frames(ToPlaybackFormat(*s16)), want16);

    // The game's own sounds keep their length to the millisecond.
    for (const char* name : {"m_0", "p1_0", "p1_1"}) {
        const auto sound = ParseWave(WaveFileBytes(name));
        ASSERT_TRUE(sound.has_value()) << name;
        const QByteArray pcm = ToPlaybackFormat(*sound);
        ASSERT_EQ(pcm.size() % PlaybackFrameBytes, 0) << name;
        EXPECT_NEAR(static_cast<double>(pcm.size()) / PlaybackFrameBytes / PlaybackRate * 1000, sound->DurationMs(), 1.0)
            << name;
    }
}

// Items keep their file bytes; an item without data or with a damaged file is
// not playable, and assigning one list to another copies all items.
TEST(WavList, holdsItemsAndAssignCopiesAllOfThem) {
    TDIBWavList list;
    list.Add(WaveFileBytes("m_0"));
    list.Add(QByteArray());
    list.Add(QByteArray("RIFF\x04\0\0\0WAVE", 12));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Item(0), WaveFileBytes("m_0"));
    EXPECT_TRUE(list.Playable(0));
    EXPECT_FALSE(list.Playable(1));
    EXPECT_FALSE(list.Playable(2));
    EXPECT_FALSE(list.Playable(3));
    EXPECT_TRUE(list.Item(5).isEmpty());

    TDIBWavList copy;
    copy.Add(WaveFileBytes("p1_0"));
    copy.Assign(list);
    EXPECT_EQ(copy.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(copy.Item(i), list.Item(i));
        EXPECT_EQ(copy.Playable(i), list.Playable(i));
    }
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(copy.Count(), 3);
}

// Playing an item without data (or outside the list) leaves the program's sound alone.
TEST(WavList, anItemWithoutDataPlaysNothing) {
    TSoundPlayer* player = TSoundPlayer::Shared();
    ASSERT_NE(player, nullptr);
    player->Stop();
    TDIBWavList list;
    list.Add(QByteArray());
    list.Add(WaveFileBytes("p1_1"));
    list.Play(0);
    list.Play(-1);
    list.Play(9);
    EXPECT_EQ(player->CurrentSound(), 0u);
    list.Play(1);
    const quint64 playing = player->CurrentSound();
    EXPECT_NE(playing, 0u);
    list.Play(0);
    EXPECT_EQ(player->CurrentSound(), playing);
    player->Stop();
}

// One sound at a time in the whole program: a new sound from any list cuts
// off the playing one.
TEST(WavList, aNewSoundFromAnyListCutsOffThePlayingOne) {
    TSoundPlayer* player = TSoundPlayer::Shared();
    ASSERT_NE(player, nullptr);
    std::vector<quint64> ended;
    QObject::connect(player, &TSoundPlayer::SoundEnded, player, [&](quint64 s) { ended.push_back(s); });

    TDIBWavList human, clock;
    human.Add(WaveFileBytes("p1_0"));
    human.Add(WaveFileBytes("p1_1"));
    clock.Add(WaveFileBytes("m_0"));

    human.Play(0);
    const quint64 first = player->CurrentSound();
    ASSERT_NE(first, 0u);
    EXPECT_EQ(player->CurrentOwner(), &human);
    human.Play(1);
    const quint64 second = player->CurrentSound();
    EXPECT_NE(second, first);
    EXPECT_EQ(ended, std::vector<quint64>{first});
    clock.Play(0);
    const quint64 third = player->CurrentSound();
    EXPECT_NE(third, second);
    EXPECT_EQ(player->CurrentOwner(), &clock);
    EXPECT_EQ(ended, (std::vector<quint64>{first, second}));
    // Stopping a list that is not playing leaves the other's sound alone.
    human.Stop();
    EXPECT_EQ(player->CurrentSound(), third);
    clock.Stop();
    EXPECT_EQ(player->CurrentSound(), 0u);
    EXPECT_EQ(ended, (std::vector<quint64>{first, second, third}));
    QObject::disconnect(player, &TSoundPlayer::SoundEnded, player, nullptr);
}

// Destroying a list stops its own sound, not another list's.
TEST(WavList, destroyingAListStopsItsSound) {
    TSoundPlayer* player = TSoundPlayer::Shared();
    ASSERT_NE(player, nullptr);
    TDIBWavList keeper;
    keeper.Add(WaveFileBytes("m_0"));
    {
        auto gone = std::make_unique<TDIBWavList>();
        gone->Add(WaveFileBytes("p1_1"));
        gone->Play(0);
        EXPECT_NE(player->CurrentSound(), 0u);
        gone.reset();
        EXPECT_EQ(player->CurrentSound(), 0u);
    }
    keeper.Play(0);
    const quint64 ticking = player->CurrentSound();
    {
        TDIBWavList other;
        other.Add(WaveFileBytes("p1_0"));
    }
    EXPECT_EQ(player->CurrentSound(), ticking);
    player->Stop();
}

// A sound ends by itself after its length, with or without a device to hear it
// on, and never before: a busy machine may only end it later.
TEST(WavList, aSoundEndsAfterItsLength) {
    TSoundPlayer* player = TSoundPlayer::Shared();
    ASSERT_NE(player, nullptr);
    TDIBWavList clock;
    clock.Add(WaveFileBytes("m_0"));  // 0.72 s
    QElapsedTimer since;
    since.start();
    clock.Play(0);
    ASSERT_NE(player->CurrentSound(), 0u);
    while (player->CurrentSound() != 0 && since.elapsed() < 5000) RunEvents(10);
    EXPECT_EQ(player->CurrentSound(), 0u);
    EXPECT_GE(since.elapsed(), 720);
}

namespace {

// A private PulseAudio server with one null sink, at a socket of our own in
// a temporary folder; while it lives, the game's sound goes to it.
class TSoundServer {
public:
    TSoundServer() : Folder(Temporary.path()), OldAddress(qgetenv("PULSE_SERVER")) {
        QDir().mkpath(Folder + "/runtime");
        QFile::setPermissions(Folder + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner);
        qputenv("PULSE_SERVER", Address().toLocal8Bit());
    }
    ~TSoundServer() {
        Stop();
        if (OldAddress.isNull()) qunsetenv("PULSE_SERVER");
        else qputenv("PULSE_SERVER", OldAddress);
    }
    bool Valid() const { return Temporary.isValid(); }
    QString Address() const { return "unix:" + Socket(); }

    bool Start() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", Folder);
        env.insert("XDG_RUNTIME_DIR", Folder + "/runtime");
        env.remove("DISPLAY");
        Server.setProcessEnvironment(env);
        Server.setProgram(QStandardPaths::findExecutable("pulseaudio"));
        Server.setArguments({"-n", "--daemonize=no", "--exit-idle-time=-1", "--load=module-null-sink sink_name=cap",
                             "--load=module-native-protocol-unix auth-anonymous=1 socket=" + Socket()});
        Server.setStandardOutputFile(QProcess::nullDevice());
        Server.setStandardErrorFile(QProcess::nullDevice());
        Server.start();
        if (!Server.waitForStarted(5000)) return false;
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(Socket()) && waited.elapsed() < 10000) QThread::msleep(20);
        return QFile::exists(Socket());
    }
    // Killed without a word, as a crashed server goes.
    void Stop() {
        if (Server.state() == QProcess::NotRunning) return;
        Server.kill();
        Server.waitForFinished(5000);
        QFile::remove(Socket());
    }

private:
    QString Socket() const { return Folder + "/native"; }
    QTemporaryDir Temporary;
    QString Folder;
    QByteArray OldAddress;
    QProcess Server;
};

// Runs the event loop until `done` holds, at most `ms` milliseconds.
bool RunEventsUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms) RunEvents(20);
    return done();
}

}  // namespace

// The sound server may be missing at the start, go away and come back: each
// sound played while one is there reaches it, whatever happened before.
TEST(SoundPlayer, reachesAServerThatArrivedLateOrCameBack) {
    ASSERT_FALSE(QStandardPaths::findExecutable("pulseaudio").isEmpty()) << "scripts/install-deps brings pulseaudio";
    TSoundPlayer* player = TSoundPlayer::Shared();
    ASSERT_NE(player, nullptr);
    TSoundServer server;
    ASSERT_TRUE(server.Valid());
    TDIBWavList clock;
    clock.Add(WaveFileBytes("m_0"));  // 0.72 s

    // No server yet: the sound runs on silently.
    clock.Play(0);
    RunEvents(300);
    EXPECT_FALSE(player->DeviceActive());
    player->Stop();

    ASSERT_TRUE(server.Start());
    clock.Play(0);
    EXPECT_TRUE(RunEventsUntil([&] { return player->DeviceActive(); }, 3000)) << "a server that arrived late";
    player->Stop();

    clock.Play(0);
    ASSERT_TRUE(RunEventsUntil([&] { return player->DeviceActive(); }, 3000));
    server.Stop();
    EXPECT_TRUE(RunEventsUntil([&] { return !player->DeviceActive(); }, 3000)) << "the server went while it played";
    player->Stop();
    clock.Play(0);
    RunEvents(300);
    EXPECT_FALSE(player->DeviceActive());
    player->Stop();

    ASSERT_TRUE(server.Start());
    clock.Play(0);
    EXPECT_TRUE(RunEventsUntil([&] { return player->DeviceActive(); }, 3000)) << "a server that came back";
    // One sound at a time: the next one replaces it on the server at once.
    clock.Play(0);
    EXPECT_TRUE(RunEventsUntil([&] { return player->DeviceActive(); }, 3000));
    player->Stop();
    EXPECT_FALSE(player->DeviceActive());
}

namespace {

// `pactl ARGS` against the server at `address`; its output.
QString Pactl(const QString& address, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PULSE_SERVER", address);
    p.setProcessEnvironment(env);
    p.start(QStandardPaths::findExecutable("pactl"), args);
    if (!p.waitForFinished(10000)) return {};
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// The playback streams on the server (the game is its only client here).
int SinkInputs(const QString& address) {
    return static_cast<int>(Pactl(address, {"list", "short", "sink-inputs"}).split('\n', Qt::SkipEmptyParts).size());
}

}  // namespace

// The game keeps one stream on the server however fast its sounds follow each
// other, the stream rests (corked) once its sound is over, and the connection
// and the stream say they are a game's, with the game's icon and desktop entry.
TEST(SoundPlayer, keepsOneNamedStreamOnTheServer) {
    ASSERT_FALSE(QStandardPaths::findExecutable("pactl").isEmpty()) << "scripts/install-deps brings pulseaudio-utils";
    TSoundPlayer* player = TSoundPlayer::Shared();
    ASSERT_NE(player, nullptr);
    TSoundServer server;
    ASSERT_TRUE(server.Valid());
    ASSERT_TRUE(server.Start());
    TDIBWavList sounds;
    sounds.Add(WaveFileBytes("m_0"));   // 0.72 s, 8-bit mono at 11025 Hz
    sounds.Add(WaveFileBytes("p1_0"));  // 1 s, 16-bit stereo at 44100 Hz

    // Sounds while the connection is made, and then faster than the server
    // answers: each cuts off the one before.
    for (int i = 0; i < 6; ++i) sounds.Play(i % 2);
    ASSERT_TRUE(RunEventsUntil([&] { return player->DeviceActive(); }, 3000));
    for (int i = 0; i < 20; ++i) {
        sounds.Play(i % 2);
        RunEvents(i % 4);
    }
    RunEvents(300);
    EXPECT_EQ(SinkInputs(server.Address()), 1) << Pactl(server.Address(), {"list", "sink-inputs"}).toStdString();
    const QString stream = Pactl(server.Address(), {"list", "sink-inputs"});
    const QString client = Pactl(server.Address(), {"list", "clients"});
    for (const char* want : {"media.role = \"game\"", "application.icon_name = \"agarhold\"",
                             "application.id = \"agarhold\"", "application.name = \"Agarhold\""}) {
        EXPECT_TRUE(stream.contains(want)) << want << "\n" << stream.toStdString();
        EXPECT_TRUE(client.contains(want)) << want << "\n" << client.toStdString();
    }
    EXPECT_TRUE(stream.contains("media.name = \"Game sound\"")) << stream.toStdString();
    EXPECT_TRUE(stream.contains(": s16le 2ch 44100Hz")) << stream.toStdString();
    EXPECT_TRUE(stream.contains("Corked: no")) << stream.toStdString();

    // Played out: the stream stays, corked, and the next sound plays on it.
    ASSERT_TRUE(RunEventsUntil([&] { return player->CurrentSound() == 0; }, 3000));
    EXPECT_TRUE(RunEventsUntil([&] { return Pactl(server.Address(), {"list", "sink-inputs"}).contains("Corked: yes"); },
                               3000));
    EXPECT_EQ(SinkInputs(server.Address()), 1);
    const QString index = Pactl(server.Address(), {"list", "short", "sink-inputs"}).section('\t', 0, 0);
    sounds.Play(0);
    EXPECT_TRUE(RunEventsUntil([&] { return Pactl(server.Address(), {"list", "sink-inputs"}).contains("Corked: no"); },
                               3000));
    EXPECT_EQ(Pactl(server.Address(), {"list", "short", "sink-inputs"}).section('\t', 0, 0), index);
    // Cut off: corked at once.
    player->Stop();
    EXPECT_TRUE(RunEventsUntil([&] { return Pactl(server.Address(), {"list", "sink-inputs"}).contains("Corked: yes"); },
                               3000));
    EXPECT_EQ(SinkInputs(server.Address()), 1);
}
