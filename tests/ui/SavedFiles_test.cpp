// The highscore file and the name file next to the program: formats byte for
// byte, damaged and missing files, protected folders.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <random>
#include <sys/stat.h>

#include "FileFailures.h"
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

QByteArray Record(const THighScores& scores, int32_t rating) {
    const auto r = EncodeHighScores(scores, rating);
    return QByteArray(reinterpret_cast<const char*>(r.data()), 2808);
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden);
}

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
// bytes that were there; a missing one is "File not found"; anything that is
// no regular file (a folder, a named pipe that would block the open forever)
// is refused at once with "File access denied".
TEST(HighScoreFile, ShortEmptyMissingAndOddFilesAreReported) {
    QTemporaryDir dir;
    THighScores scores;
    SetHighScoreDefaults(scores);
    int32_t rating = 1600;
    EXPECT_EQ(LoadHighScores(Folder(dir), scores, rating), QString("File not found"));

    THighScores saved;
    SetHighScoreDefaults(saved);
    saved[1][1].Score = 12;
    saved[7][1].Score = 13;
    const QByteArray full = Record(saved, 2222);
    WriteAll(Folder(dir) + "S.hs", full.left(1000));
    EXPECT_EQ(LoadHighScores(Folder(dir), scores, rating), QString("Read beyond end of file"));
    EXPECT_EQ(scores[1][1].Score, 12);    // within the bytes that were there
    EXPECT_EQ(scores[7][1].Score, 9999);  // beyond them: unchanged
    EXPECT_EQ(rating, 1600);

    WriteAll(Folder(dir) + "S.hs", QByteArray());
    EXPECT_EQ(LoadHighScores(Folder(dir), scores, rating), QString("Read beyond end of file"));

    for (const char* odd : {"folder", "pipe"}) {
        QFile::remove(Folder(dir) + "S.hs");
        QDir(dir.path()).rmdir("S.hs");
        if (odd == std::string("folder"))
            ASSERT_TRUE(QDir(dir.path()).mkdir("S.hs"));
        else
            ASSERT_EQ(mkfifo(QFile::encodeName(Folder(dir) + "S.hs").constData(), 0644), 0);
        QElapsedTimer wall;
        wall.start();
        EXPECT_TRUE(HighScoreFileExists(Folder(dir))) << odd;
        EXPECT_EQ(LoadHighScores(Folder(dir), scores, rating), QString("File access denied")) << odd;
        EXPECT_EQ(SaveHighScores(Folder(dir), scores, rating), QString("File access denied")) << odd;
        EXPECT_LT(wall.elapsed(), 5000) << odd;
    }
}

// A save writes a temporary file beside the old one and only then puts it in
// its place. Each way a save can fail is made to happen for real, for both
// files: the error names the failure as the player needs to hear it, the old
// file keeps every byte, and no temporary file is left.
TEST(SaveFailures, NeverDamageTheOldFileAndSayWhatFailed) {
    THighScores oldScores;
    SetHighScoreDefaults(oldScores);
    oldScores[4][2].Score = 77;
    THighScores newScores = oldScores;
    newScores[4][1].Score = 11;
    struct TFile {
        const char* Name;
        QByteArray Old;
        qint64 NewSize;
        std::function<TFileError(const QString&)> Save;
    };
    const std::vector<TFile> files = {
        {"S.hs", Record(oldScores, 1600), 2808,
         [&](const QString& folder) { return SaveHighScores(folder, newScores, 1623); }},
        {"Pl.nam", "Old name\r\n", 22,
         [](const QString& folder) { return SavePlayerName(folder, "Twenty characters!!!"); }},
    };
    // How each failure is made, and the text of the error box for "S.hs".
    struct TFailure {
        const char* What;
        std::function<void(const QString& folder, const TFile& file)> Make;
        QString Text;
        bool KeepsOldFile;
    };
    const std::vector<TFailure> failures = {
        {"disk full: the new bytes do not fit", nullptr, "Disk full", true},
        {"a folder in the file's place",
         [](const QString& folder, const TFile& f) { QDir(folder).mkdir(f.Name); }, "File access denied", false},
        {"a named pipe in the file's place",
         [](const QString& folder, const TFile& f) {
             mkfifo(QFile::encodeName(folder + f.Name).constData(), 0644);
         },
         "File access denied", false},
        {"the folder is gone", [](const QString& folder, const TFile&) { QDir(folder).removeRecursively(); },
         "File not found", false},
    };
    int cases = 0;
    for (const TFile& file : files) {
        for (const TFailure& failure : failures) {
            QTemporaryDir dir;
            const QString folder = Folder(dir);
            if (failure.KeepsOldFile) WriteAll(folder + file.Name, file.Old);
            if (failure.Make) failure.Make(folder, file);
            const QStringList before = FilesIn(folder);
            TFileError err;
            if (failure.Make) {
                err = file.Save(folder);
            } else {
                WithFileSizeLimit(static_cast<rlim_t>(file.NewSize / 2), [&] { err = file.Save(folder); });
            }
            const std::string what = std::string(file.Name) + ", " + failure.What;
            const QString text = std::string(file.Name) == "S.hs"
                                     ? failure.Text
                                     : QStringLiteral("Cannot create file %1Pl.nam").arg(folder);
            EXPECT_EQ(err, text) << what;
            if (failure.KeepsOldFile) {
                EXPECT_EQ(ReadAll(folder + file.Name), file.Old) << what;
            }
            EXPECT_EQ(FilesIn(folder), before) << what;  // nothing left behind
            ++cases;
        }
    }
    EXPECT_EQ(cases, 8);
}

// A save cut short (the program killed before the rename) leaves its
// temporary file; the next save takes that name again and leaves none.
TEST(SaveFailures, ALeftoverTemporaryFileIsReplacedNotPiledUp) {
    QTemporaryDir dir;
    WriteAll(Folder(dir) + "S.hs.tmp", "cut short");
    WriteAll(Folder(dir) + "Pl.nam.tmp", "cut");
    THighScores scores;
    SetHighScoreDefaults(scores);
    ASSERT_FALSE(SaveHighScores(Folder(dir), scores, 1600).has_value());
    ASSERT_FALSE(SavePlayerName(Folder(dir), "Ada").has_value());
    EXPECT_EQ(FilesIn(Folder(dir)), (QStringList{"Pl.nam", "S.hs"}));
    EXPECT_EQ(ReadAll(Folder(dir) + "S.hs"), Record(scores, 1600));
}

// The system's errors reach the player by meaning, not by number: every way to
// run out of room is "Disk full", and an error the table has no text for shows
// its own code ("I/O error 5" for EIO, never the table's code 5).
TEST(SaveFailures, ErrorsAreNamedByTheirMeaning) {
    const std::vector<std::pair<int, QString>> rows = {
        {ENOSPC, "Disk full"},           {EDQUOT, "Disk full"},
        {EFBIG, "Disk full"},            {ENOENT, "File not found"},
        {EACCES, "File access denied"},  {EROFS, "File access denied"},
        {EMFILE, "Too many open files"}, {ENAMETOOLONG, "Invalid filename"},
        {EIO, "I/O error 5"},            {EINTR, "I/O error 4"},
    };
    for (const auto& [err, text] : rows) EXPECT_EQ(FileErrorText(err), text) << err;
}

// As an ordinary user: a program folder the player cannot write, with files
// in it he can, still saves (each file written in place); a write-protected
// file in a writable folder is refused and kept; an in-place write that fails
// is reported, never taken for success.
TEST(SaveFailures, AnOrdinaryUsersPermissionsAreHonoured) {
    TOrdinaryUser user;
    const QString locked = user.Dir + "/locked/";
    const QString open = user.Dir + "/open/";
    THighScores scores;
    SetHighScoreDefaults(scores);
    const QByteArray protectedBytes = Record(scores, 1500);
    if (!user.InCopy) {
        QDir().mkpath(locked);
        QDir().mkpath(open);
        WriteAll(locked + "S.hs", Record(scores, 1600));
        WriteAll(locked + "Pl.nam", "Old\r\n");
        WriteAll(open + "S.hs", protectedBytes);
        const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                         QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
        const auto exec = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        QFile::setPermissions(locked + "S.hs", all);
        QFile::setPermissions(locked + "Pl.nam", all);
        QFile::setPermissions(open + "S.hs", QFileDevice::ReadOwner | QFileDevice::ReadOther);
        QFile::setPermissions(open, all | exec);
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther | exec);
    }
    user.Run([&] {
        scores[2][2].Score = 55;
        EXPECT_EQ(SaveHighScores(locked, scores, 1640), std::nullopt);
        EXPECT_EQ(ReadAll(locked + "S.hs"), Record(scores, 1640));
        EXPECT_EQ(SavePlayerName(locked, "Newer"), std::nullopt);
        EXPECT_EQ(ReadAll(locked + "Pl.nam"), QByteArray("Newer\r\n"));
        EXPECT_EQ(FilesIn(locked), (QStringList{"Pl.nam", "S.hs"}));

        // Written in place, a save that fails part-way puts the old bytes back;
        // a longer file that finds no room changes nothing.
        const QByteArray saved = ReadAll(locked + "S.hs");
        THighScores changed = scores;
        changed[1][1].Score = 1;  // within the bytes that fit
        TFileError full;
        WithFileSizeLimit(1000, [&] { full = SaveHighScores(locked, changed, 1700); });
        EXPECT_EQ(full, QString("Disk full"));
        EXPECT_EQ(ReadAll(locked + "S.hs"), saved);
        WithFileSizeLimit(10, [&] { full = SavePlayerName(locked, "A much longer name"); });
        EXPECT_EQ(full, "Cannot create file " + locked + "Pl.nam");
        EXPECT_EQ(ReadAll(locked + "Pl.nam"), QByteArray("Newer\r\n"));

        EXPECT_EQ(SaveHighScores(open, scores, 1640), QString("File access denied"));
        EXPECT_EQ(ReadAll(open + "S.hs"), protectedBytes);
        EXPECT_EQ(FilesIn(open), QStringList{"S.hs"});
    });
}

// Each file lives in the program's folder while that folder can hold it: a
// file that is there stays there, and so does a new one while the folder is
// writable. Only a file absent from a folder the player cannot write goes to
// the player's data folder.
TEST(SavedFolders, TheProgramFolderHoldsTheFilesWhileItCan) {
    TOrdinaryUser user;
    const TSavedFolders writable{user.Dir + "/portable/", user.Dir + "/data/"};
    const TSavedFolders installed{user.Dir + "/installed/", user.Dir + "/data/"};
    if (!user.InCopy) {
        QDir().mkpath(writable.Program);
        QDir().mkpath(installed.Program);
        WriteAll(installed.Program + "Pl.nam", "Kept\r\n");
        QFile::setPermissions(writable.Program, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                    QFileDevice::WriteOther | QFileDevice::ExeOther);
        QFile::setPermissions(installed.Program, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                     QFileDevice::ReadOther | QFileDevice::ExeOther);
    }
    user.Run([&] {
        EXPECT_EQ(writable.FolderFor("S.hs"), writable.Program);
        EXPECT_EQ(writable.FolderFor("Pl.nam"), writable.Program);
        EXPECT_EQ(installed.FolderFor("S.hs"), installed.Data);
        EXPECT_EQ(installed.FolderFor("Pl.nam"), installed.Program);
    });
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

    // A named pipe or a folder in its place reads as no name, at once.
    QFile::remove(f + "Pl.nam");
    ASSERT_EQ(mkfifo(QFile::encodeName(f + "Pl.nam").constData(), 0644), 0);
    EXPECT_FALSE(ReadPlayerName(f).has_value());
    QFile::remove(f + "Pl.nam");
    ASSERT_TRUE(QDir(dir.path()).mkdir("Pl.nam"));
    EXPECT_FALSE(ReadPlayerName(f).has_value());
}

// A name file that cannot be written reports "Cannot create file <path>".
TEST(PlayerNameFile, UnwritableFolderReportsCannotCreate) {
    const auto err = SavePlayerName("/nonexistent-agarhold-folder/", "Bob");
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(*err, QString("Cannot create file /nonexistent-agarhold-folder/Pl.nam"));
}
