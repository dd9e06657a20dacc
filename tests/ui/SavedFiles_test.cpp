// The highscore file and the name file next to the program: formats byte for
// byte, damaged and missing files, protected folders.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <random>

#include "SavedFiles.h"

namespace {

QString Folder(const QTemporaryDir& dir) { return dir.path() + QLatin1Char('/'); }

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

int32_t Le32(const QByteArray& b, int at) {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
    return static_cast<int32_t>(u);
}

double LeDouble(const QByteArray& b, int at) {
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

bool IsRoot() { return getuid() == 0; }

}  // namespace

// A fresh file holds the defaults: 2808 bytes, "Hollowbrine" only in table 1,
// scores 9999, dates 0.0, zero padding, the rating at offset 2800.
TEST(HighScoreFile, DefaultsAreWrittenByteForByte) {
    QTemporaryDir dir;
    THighScores scores;
    SetHighScoreDefaults(scores);
    ASSERT_FALSE(SaveHighScores(Folder(dir), scores, 1600).has_value());
    const QByteArray b = ReadAll(Folder(dir) + "S.hs");
    ASSERT_EQ(b.size(), 2808);
    for (int t = 1; t <= 7; ++t)
        for (int i = 1; i <= 10; ++i) {
            const int at = 400 * (t - 1) + 40 * (i - 1);
            if (t == 1) {
                EXPECT_EQ(static_cast<uint8_t>(b[at]), 11);
                EXPECT_EQ(b.mid(at + 1, 11), QByteArray("Hollowbrine"));
                EXPECT_EQ(b.mid(at + 12, 9), QByteArray(9, '\0'));
            } else {
                EXPECT_EQ(b.mid(at, 21), QByteArray(21, '\0'));
            }
            EXPECT_EQ(b.mid(at + 21, 3), QByteArray(3, '\0'));
            EXPECT_EQ(Le32(b, at + 24), 9999);
            EXPECT_EQ(b.mid(at + 28, 4), QByteArray(4, '\0'));
            EXPECT_EQ(LeDouble(b, at + 32), 0.0);
        }
    EXPECT_EQ(Le32(b, 2800), 1600);
    EXPECT_EQ(b.mid(2804, 4), QByteArray(4, '\0'));
}

// What one run writes, the next reads back identically, rating included.
TEST(HighScoreFile, RoundTripsEveryField) {
    QTemporaryDir dir;
    THighScores scores;
    SetHighScoreDefaults(scores);
    scores[5][1].SetName("Twenty-characters-xx");
    scores[5][1].Score = 87;
    scores[5][1].Date = 46000.75;
    scores[7][10].Score = -3;
    ASSERT_FALSE(SaveHighScores(Folder(dir), scores, 1713).has_value());
    const QByteArray first = ReadAll(Folder(dir) + "S.hs");

    THighScores back;
    int32_t rating = 0;
    ASSERT_FALSE(LoadHighScores(Folder(dir), back, rating).has_value());
    EXPECT_EQ(rating, 1713);
    EXPECT_EQ(back[5][1].NameText(), "Twenty-characters-xx");
    EXPECT_EQ(back[5][1].Score, 87);
    EXPECT_EQ(back[5][1].Date, 46000.75);
    EXPECT_EQ(back[7][10].Score, -3);
    EXPECT_EQ(back[1][4].NameText(), "Hollowbrine");
    ASSERT_FALSE(SaveHighScores(Folder(dir), back, rating).has_value());
    EXPECT_EQ(ReadAll(Folder(dir) + "S.hs"), first);
}

// A longer file loads its first 2808 bytes, and the next save makes it 2808 long.
TEST(HighScoreFile, LongerFileLoadsAndIsCutBackOnSave) {
    QTemporaryDir dir;
    THighScores scores;
    SetHighScoreDefaults(scores);
    scores[2][3].Score = 42;
    QByteArray data(reinterpret_cast<const char*>(EncodeHighScores(scores, 1999).data()), 2808);
    data.append(QByteArray(192, '\x7f'));
    WriteAll(Folder(dir) + "S.hs", data);
    THighScores back;
    int32_t rating = 0;
    EXPECT_FALSE(LoadHighScores(Folder(dir), back, rating).has_value());
    EXPECT_EQ(rating, 1999);
    EXPECT_EQ(back[2][3].Score, 42);
    ASSERT_FALSE(SaveHighScores(Folder(dir), back, rating).has_value());
    EXPECT_EQ(ReadAll(Folder(dir) + "S.hs").size(), 2808);
}

// A short or empty file fails with "Read beyond end of file" after placing the
// bytes that were there; a missing one is "File not found"; a folder in its place
// is refused.
TEST(HighScoreFile, ShortEmptyMissingAndFolderAreReported) {
    QTemporaryDir dir;
    THighScores scores;
    SetHighScoreDefaults(scores);
    int32_t rating = 1600;
    EXPECT_EQ(LoadHighScores(Folder(dir), scores, rating), QString("File not found"));

    THighScores saved;
    SetHighScoreDefaults(saved);
    saved[1][1].Score = 12;
    saved[7][1].Score = 13;
    const QByteArray full(reinterpret_cast<const char*>(EncodeHighScores(saved, 2222).data()), 2808);
    WriteAll(Folder(dir) + "S.hs", full.left(1000));
    EXPECT_EQ(LoadHighScores(Folder(dir), scores, rating), QString("Read beyond end of file"));
    EXPECT_EQ(scores[1][1].Score, 12);    // within the bytes that were there
    EXPECT_EQ(scores[7][1].Score, 9999);  // beyond them: unchanged
    EXPECT_EQ(rating, 1600);

    WriteAll(Folder(dir) + "S.hs", QByteArray());
    EXPECT_EQ(LoadHighScores(Folder(dir), scores, rating), QString("Read beyond end of file"));

    QFile::remove(Folder(dir) + "S.hs");
    ASSERT_TRUE(QDir(dir.path()).mkdir("S.hs"));
    EXPECT_TRUE(LoadHighScores(Folder(dir), scores, rating).has_value());
    EXPECT_TRUE(SaveHighScores(Folder(dir), scores, rating).has_value());
}

// A save is atomic: no temporary file is left behind, and a failed save leaves the
// previous file untouched. A write-protected file or folder is refused.
TEST(HighScoreFile, ProtectedFileOrFolderRefusesTheSaveAndKeepsTheOldFile) {
    QTemporaryDir dir;
    THighScores scores;
    SetHighScoreDefaults(scores);
    ASSERT_FALSE(SaveHighScores(Folder(dir), scores, 1600).has_value());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"S.hs"});
    const QByteArray before = ReadAll(Folder(dir) + "S.hs");

    QFile::setPermissions(Folder(dir) + "S.hs", QFileDevice::ReadOwner);
    THighScores changed = scores;
    changed[3][1].Score = 5;
    if (!IsRoot()) {  // root may write anything: the protection cannot be tested there
        EXPECT_EQ(SaveHighScores(Folder(dir), changed, 1700), QString("File access denied"));
    }
    // Loading a write-protected file works.
    int32_t rating = 0;
    EXPECT_FALSE(LoadHighScores(Folder(dir), changed, rating).has_value());
    EXPECT_EQ(ReadAll(Folder(dir) + "S.hs"), before);

    QTemporaryDir locked;
    QFile::setPermissions(locked.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (!IsRoot()) {
        EXPECT_EQ(SaveHighScores(Folder(locked), scores, 1600), QString("File access denied"));
        EXPECT_FALSE(HighScoreFileExists(Folder(locked)));
    }
    QFile::setPermissions(locked.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// A folder that cannot hold the file (missing, or a file in the way) reports the
// save error, for root too.
TEST(HighScoreFile, UnusableFolderReportsTheSaveError) {
    THighScores scores;
    SetHighScoreDefaults(scores);
    EXPECT_EQ(SaveHighScores("/nonexistent-agarhold-folder/", scores, 1600), QString("File not found"));
    QTemporaryDir dir;
    WriteAll(Folder(dir) + "plain", "x");
    EXPECT_EQ(SaveHighScores(Folder(dir) + "plain/", scores, 1600), QString("File not found"));
}

// Names with a length byte above 20 are shown cut to 20; random records of any
// length never crash the reader and always give 2808 bytes back on saving.
TEST(HighScoreFile, RandomBytesLoadSafely) {
    QTemporaryDir dir;
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        const int size = static_cast<int>(rng() % 3300);
        QByteArray data(size, '\0');
        for (auto& c : data) c = static_cast<char>(rng());
        WriteAll(Folder(dir) + "S.hs", data);
        THighScores scores;
        SetHighScoreDefaults(scores);
        int32_t rating = 1600;
        const auto err = LoadHighScores(Folder(dir), scores, rating);
        EXPECT_EQ(err.has_value(), size < 2808);
        for (int t = 1; t <= 7; ++t)
            for (int i = 1; i <= 10; ++i) EXPECT_LE(scores[t][i].NameText().size(), 20u);
        ASSERT_FALSE(SaveHighScores(Folder(dir), scores, rating).has_value());
        ASSERT_EQ(ReadAll(Folder(dir) + "S.hs").size(), 2808);
    }
}

// The name file: line 1 only, CR LF or LF, 8-bit characters; nothing for a
// missing or empty file; an empty name writes nothing.
TEST(PlayerNameFile, ReadsLineOneAndWritesOneCrLfLine) {
    QTemporaryDir dir;
    const QString f = Folder(dir);
    EXPECT_FALSE(ReadPlayerName(f).has_value());

    ASSERT_FALSE(SavePlayerName(f, "Ada").has_value());
    EXPECT_EQ(ReadAll(f + "Pl.nam"), QByteArray("Ada\r\n"));
    EXPECT_EQ(ReadPlayerName(f), QString("Ada"));

    ASSERT_FALSE(SavePlayerName(f, "").has_value());
    EXPECT_EQ(ReadAll(f + "Pl.nam"), QByteArray("Ada\r\n"));

    WriteAll(f + "Pl.nam", QByteArray("Zo\xe9\r\nsecond line\r\n"));
    EXPECT_EQ(ReadPlayerName(f), QString::fromLatin1("Zo\xe9"));
    WriteAll(f + "Pl.nam", QByteArray("unix line\nrest"));
    EXPECT_EQ(ReadPlayerName(f), QString("unix line"));
    WriteAll(f + "Pl.nam", QByteArray(""));
    EXPECT_FALSE(ReadPlayerName(f).has_value());

    const QByteArray longLine(100000, 'x');
    WriteAll(f + "Pl.nam", longLine);
    const auto name = ReadPlayerName(f);
    ASSERT_TRUE(name.has_value());
    EXPECT_GT(name->size(), 20);
    EXPECT_LE(name->size(), 4096);
}

// A name file that cannot be written reports "Cannot create file <path>".
TEST(PlayerNameFile, UnwritableFolderReportsCannotCreate) {
    const auto err = SavePlayerName("/nonexistent-agarhold-folder/", "Bob");
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(*err, QString("Cannot create file /nonexistent-agarhold-folder/Pl.nam"));
}
