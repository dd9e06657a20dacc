// The program's start-up, its saved files and its two exits, in a temporary
// program folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <limits>

#include "FileFailures.h"
#include "Program.h"

namespace {

struct TStart {
    QStringList Errors;
    std::unique_ptr<TProgram> Program;
};

// Starts the program in `folder`, answering the name dialog with `name`
// (nothing typed when empty).
void Start(TStart& s, const QString& folder, const QString& typed = QString()) {
    s.Program = std::make_unique<TProgram>(folder, [&s](const QString& e) { s.Errors << e; });
    s.Program->RunNameDialog = [&s, typed] {
        if (!typed.isNull()) s.Program->Form2->SetText(typed);
        s.Program->Form2->dxButton1->click();
    };
    s.Program->Show();
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QString Folder(const QTemporaryDir& d) { return d.path() + "/"; }

}  // namespace

// A first start in an empty folder writes the default highscore file at once,
// byte for byte as the defaults encode, and shows "New User" in the name dialog.
TEST(ProgramStart, FirstStartCreatesTheDefaultFile) {
    QTemporaryDir dir;
    TStart s;
    QString shownName;
    s.Program = std::make_unique<TProgram>(Folder(dir), [&s](const QString& e) { s.Errors << e; });
    EXPECT_TRUE(QFile::exists(Folder(dir) + "S.hs"));
    s.Program->RunNameDialog = [&] {
        shownName = s.Program->Form2->Text();
        s.Program->Form2->dxButton1->click();
    };
    s.Program->Show();
    EXPECT_TRUE(s.Errors.isEmpty());
    EXPECT_EQ(shownName, "New User");
    THighScores defaults;
    SetHighScoreDefaults(defaults);
    const auto record = EncodeHighScores(defaults, 1600);
    EXPECT_EQ(ReadAll(Folder(dir) + "S.hs"),
              QByteArray(reinterpret_cast<const char*>(record.data()), 2808));
    EXPECT_EQ(ReadAll(Folder(dir) + "Pl.nam"), QByteArray("New User\r\n"));
    const TScreen& sc = s.Program->Game.Screen;
    EXPECT_EQ(sc.URLtransparantLabel7.Caption, "1600");
    EXPECT_EQ(sc.URLtransparantLabel1.Caption,
              "Game mode : Best after 2 Game(s)\r\nSystem : Rank Rating attack");
    EXPECT_EQ(sc.URLtransparantLabel2.Caption, "Set Rating : AI Rating = 1600");
    EXPECT_EQ(sc.URLtransparantLabel5.Caption, "New User");
    EXPECT_EQ(sc.DIBContainer2.Left, 2);
    EXPECT_EQ(sc.DIBContainer2.Top, 2);
}

// The second start shows the saved rating and name; the rating moved by a
// series is in the file as soon as it changes, without any exit.
TEST(ProgramStart, SavedRatingAndNameComeBack) {
    QTemporaryDir dir;
    {
        TStart s;
        Start(s, Folder(dir), "Ada");
        s.Program->Game.AIRating = 2800;
        s.Program->Game.ApplyRatingChange(true);  // 1600 -> 1656, saved at once
        EXPECT_EQ(s.Program->Game.PlayerRating, 1656);
    }  // ended without closing the window: as after a crash
    TStart s;
    QString shownName;
    s.Program = std::make_unique<TProgram>(Folder(dir), [&s](const QString& e) { s.Errors << e; });
    s.Program->RunNameDialog = [&] {
        shownName = s.Program->Form2->Text();
        s.Program->Form2->dxButton1->click();
    };
    s.Program->Show();
    EXPECT_EQ(shownName, "Ada");
    EXPECT_EQ(s.Program->Game.PlayerRating, 1656);
    EXPECT_EQ(s.Program->Game.Screen.URLtransparantLabel7.Caption, "1656");
    EXPECT_EQ(s.Program->Game.Screen.URLtransparantLabel5.Caption, "Ada");
    EXPECT_TRUE(s.Errors.isEmpty());
}

// A damaged (short) file is reported with "Read beyond end of file", and start-up
// still shows the real rating and the mode caption, never the design captions.
TEST(ProgramStart, ShortFileIsReportedAndStartUpGoesOn) {
    QTemporaryDir dir;
    THighScores scores;
    SetHighScoreDefaults(scores);
    const auto record = EncodeHighScores(scores, 1777);
    WriteAll(Folder(dir) + "S.hs", QByteArray(reinterpret_cast<const char*>(record.data()), 500));
    TStart s;
    Start(s, Folder(dir), "Bo");
    EXPECT_EQ(s.Errors, QStringList{"Read beyond end of file"});
    EXPECT_EQ(s.Program->Game.Screen.URLtransparantLabel7.Caption, "1600");
    EXPECT_EQ(s.Program->Game.Screen.URLtransparantLabel1.Caption,
              "Game mode : Best after 2 Game(s)\r\nSystem : Rank Rating attack");
    // The close box writes a whole file again.
    EXPECT_TRUE(s.Program->FormClose());
    EXPECT_EQ(ReadAll(Folder(dir) + "S.hs").size(), 2808);
}

// A 3000-byte file loads its first 2808 bytes and is 2808 bytes after the next close.
TEST(ProgramStart, LongFileIsCutToTheRecordOnClose) {
    QTemporaryDir dir;
    THighScores scores;
    SetHighScoreDefaults(scores);
    const auto record = EncodeHighScores(scores, 1900);
    WriteAll(Folder(dir) + "S.hs",
             QByteArray(reinterpret_cast<const char*>(record.data()), 2808) + QByteArray(192, 'z'));
    TStart s;
    Start(s, Folder(dir), "Cy");
    EXPECT_TRUE(s.Errors.isEmpty());
    EXPECT_EQ(s.Program->Game.Screen.URLtransparantLabel7.Caption, "1900");
    EXPECT_TRUE(s.Program->FormClose());
    EXPECT_EQ(ReadAll(Folder(dir) + "S.hs").size(), 2808);
}

// "EXIT GAME" keeps what was won: a highscore stored in this run is in the file
// (it was written when stored, and again on leaving).
TEST(ProgramExit, ExitGameKeepsAHighscoreWonInThisRun) {
    QTemporaryDir dir;
    {
        TStart s;
        Start(s, Folder(dir), "Di");
        TGame& g = s.Program->Game;
        g.AIRating = 1000;
        g.MatchTime = 73500;
        s.Program->Host.Terminate();  // no real input box: the host answers nothing
        g.HighScores[1][1].SetName("Di");
        g.HighScores[1][1].Score = 73;
        s.Program->ExitGame();
    }
    THighScores back;
    int32_t rating = 0;
    SetHighScoreDefaults(back);
    ASSERT_FALSE(LoadHighScores(Folder(dir), back, rating).has_value());
    EXPECT_EQ(back[1][1].Score, 73);
    EXPECT_EQ(back[1][1].NameText(), "Di");
}

// Every save the program makes, made to fail as on a full disk: the player is
// told why, the old file keeps every byte, and nothing is lost that the next
// save can still write. The close box and "EXIT GAME" keep the window open
// the first time, so the player can free some space; the second time the game
// closes all the same, after telling him again. After a result, play goes on.
TEST(ProgramSaves, EveryFailedSaveIsReportedAndKeepsTheOldFile) {
    struct TPath {
        const char* What;
        std::function<void(TProgram&)> Act;  // the save, while the disk is full
        std::function<void(TProgram&)> Check;
        int Told = 1;  // error boxes shown in all
    };
    const auto exitAndCheck = [](const char* what, const std::function<bool(TProgram&)>& leave) {
        return TPath{what, [leave](TProgram& p) { EXPECT_FALSE(leave(p)); },
                     [leave](TProgram& p) {
                         EXPECT_FALSE(p.Host.Terminated());  // still playing
                         bool left = false;
                         WithFileSizeLimit(1000, [&] { left = leave(p); });
                         EXPECT_TRUE(left);
                         EXPECT_TRUE(p.Host.Terminated());
                     },
                     2};
    };
    const std::vector<TPath> paths = {
        exitAndCheck("close box", [](TProgram& p) { return p.FormClose(); }),
        exitAndCheck("EXIT GAME",
                     [](TProgram& p) {
                         p.ExitGame();
                         return p.Host.Terminated();
                     }),
        {"highscore", [](TProgram& p) {
             p.Game.AIRating = 1300;
             p.Game.MatchTime = 45500;
             p.Host.Terminate();  // no input box: the name stays "NoName"
             p.Game.RecordHighScore();
         },
         [](TProgram& p) {
             EXPECT_EQ(p.Game.HighScores[2][1].Score, 45);  // kept in memory, saved next time
             EXPECT_TRUE(p.FormClose());
         }},
        {"rating change", [](TProgram& p) {
             p.Game.AIRating = 2800;
             p.Game.ApplyRatingChange(true);
         },
         [](TProgram& p) {
             EXPECT_EQ(p.Game.PlayerRating, 1656);
             EXPECT_TRUE(p.FormClose());
         }},
    };
    THighScores scores;
    SetHighScoreDefaults(scores);
    scores[5][1].Score = 99;
    const auto record = EncodeHighScores(scores, 1600);
    const QByteArray old(reinterpret_cast<const char*>(record.data()), 2808);
    for (const TPath& path : paths) {
        QTemporaryDir dir;
        WriteAll(Folder(dir) + "S.hs", old);
        TStart s;
        Start(s, Folder(dir), "Eve");
        WithFileSizeLimit(1000, [&] { path.Act(*s.Program); });
        EXPECT_EQ(s.Errors, QStringList{"Disk full"}) << path.What;
        EXPECT_EQ(ReadAll(Folder(dir) + "S.hs"), old) << path.What;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"Pl.nam", "S.hs"})) << path.What;
        path.Check(*s.Program);
        EXPECT_EQ(s.Errors, QStringList(path.Told, "Disk full")) << path.What;
        // Whatever the last save did, the file is whole and holds the run's results.
        THighScores back;
        int32_t rating = 0;
        ASSERT_FALSE(LoadHighScores(Folder(dir), back, rating).has_value()) << path.What;
        EXPECT_EQ(back[5][1].Score, 99) << path.What;
        EXPECT_EQ(rating, s.Program->Game.PlayerRating) << path.What;
        EXPECT_EQ(back[2][1].Score, s.Program->Game.HighScores[2][1].Score) << path.What;
    }

    // The name: "OK" on a full disk says so, keeps the old file and the dialog
    // open; the next "OK" writes it.
    QTemporaryDir dir;
    WriteAll(Folder(dir) + "Pl.nam", "Old\r\n");
    TStart s;
    s.Program = std::make_unique<TProgram>(Folder(dir), [&s](const QString& e) { s.Errors << e; });
    s.Program->RunNameDialog = [&] {
        TForm2& dialog = *s.Program->Form2;
        dialog.SetText("Twenty characters!!!");
        WithFileSizeLimit(10, [&] { dialog.dxButton1->click(); });
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(ReadAll(Folder(dir) + "Pl.nam"), QByteArray("Old\r\n"));
        dialog.dxButton1->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    };
    s.Program->Show();
    EXPECT_EQ(s.Errors, QStringList{"Cannot create file " + Folder(dir) + "Pl.nam"});
    EXPECT_EQ(ReadAll(Folder(dir) + "Pl.nam"), QByteArray("Twenty characters!!!\r\n"));
}

// Something that is no file in the place of "S.hs" is refused at start and at
// every close as "File access denied"; told twice, the player may still leave.
TEST(ProgramSaves, AFolderInThePlaceOfTheFileCannotKeepTheWindowOpenForever) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("S.hs"));
    TStart s;
    Start(s, Folder(dir), "Ed");
    EXPECT_FALSE(s.Program->FormClose());
    EXPECT_FALSE(s.Program->Host.Terminated());
    EXPECT_TRUE(s.Program->FormClose());
    EXPECT_EQ(s.Errors, QStringList(3, "File access denied"));
    EXPECT_TRUE(QFileInfo(Folder(dir) + "S.hs").isDir());
}

// An installed game: the program's folder cannot be written and holds no
// saved file, so both files live in the player's data folder, made when first
// needed, and the game starts, saves and closes without an error.
TEST(ProgramSaves, AnInstalledGameKeepsItsFilesInTheDataFolder) {
    TOrdinaryUser user;
    const QString program = user.Dir + "/usr/games/";
    const QString data = user.Dir + "/home/.local/share/agarhold/";
    if (!user.InCopy) {
        QDir().mkpath(program);
        QDir().mkpath(user.Dir + "/home");
        QProcess::execute("chmod", {"0555", program});
        QProcess::execute("chmod", {"0777", user.Dir + "/home"});
    }
    user.Run([&] {
        TStart s;
        s.Program = std::make_unique<TProgram>(program, [&s](const QString& e) { s.Errors << e; }, data);
        s.Program->RunNameDialog = [&] {
            s.Program->Form2->SetText("Installed");
            s.Program->Form2->dxButton1->click();
        };
        s.Program->Show();
        s.Program->Game.ApplyRatingChange(true);
        EXPECT_TRUE(s.Program->FormClose());
        EXPECT_TRUE(s.Errors.isEmpty()) << s.Errors.join("; ").toStdString();
        EXPECT_EQ(ReadAll(data + "Pl.nam"), QByteArray("Installed\r\n"));
        THighScores back;
        int32_t rating = 0;
        ASSERT_FALSE(LoadHighScores(data, back, rating).has_value());
        EXPECT_EQ(rating, 1608);
        EXPECT_TRUE(QDir(program).entryList(QDir::Files | QDir::Hidden).isEmpty());
    });
}

// A name file with a line longer than 20 characters is shown whole in the dialog;
// one with no line leaves "New User".
TEST(ProgramStart, NameFileRules) {
    QTemporaryDir dir;
    const QString longName = "A-name-much-longer-than-twenty";
    WriteAll(Folder(dir) + "Pl.nam", longName.toLatin1() + "\r\nignored\r\n");
    {
        TStart s;
        QString shown;
        s.Program = std::make_unique<TProgram>(Folder(dir), [&s](const QString& e) { s.Errors << e; });
        s.Program->RunNameDialog = [&] { shown = s.Program->Form2->Text(); };
        s.Program->Show();
        EXPECT_EQ(shown, longName);
        EXPECT_EQ(s.Program->Game.Screen.URLtransparantLabel5.Caption, longName.toStdString());
    }
    WriteAll(Folder(dir) + "Pl.nam", QByteArray());
    TStart s;
    QString shown;
    s.Program = std::make_unique<TProgram>(Folder(dir), [&s](const QString& e) { s.Errors << e; });
    s.Program->RunNameDialog = [&] { shown = s.Program->Form2->Text(); };
    s.Program->Show();
    EXPECT_EQ(shown, "New User");
    // An empty name at "OK": the label becomes empty and the file keeps its content.
    WriteAll(Folder(dir) + "Pl.nam", QByteArray("Kept\r\n"));
    TStart t;
    Start(t, Folder(dir), "");
    EXPECT_EQ(t.Program->Game.Screen.URLtransparantLabel5.Caption, "");
    EXPECT_EQ(ReadAll(Folder(dir) + "Pl.nam"), QByteArray("Kept\r\n"));
}

// The statistics panel shows the first five entries of each table: the defaults
// at a first start, and a new highscore at once after it is stored.
TEST(ProgramStatistics, ShowsDefaultsAndANewHighscore) {
    QTemporaryDir dir;
    TStart s;
    Start(s, Folder(dir), "Fay");
    TForm1& f = *s.Program->Form1;
    f.OpenStatistics();
    for (int t = 0; t < 7; ++t) {
        EXPECT_EQ(f.StringGrids[t]->Cell(0, 0), "Player");
        EXPECT_EQ(f.StringGrids[t]->Cell(1, 0), "Date");
        EXPECT_EQ(f.StringGrids[t]->Cell(2, 0), "Score");
        for (int row = 1; row <= 5; ++row) {
            EXPECT_EQ(f.StringGrids[t]->Cell(0, row), t == 0 ? "Hollowbrine" : "");
            EXPECT_EQ(f.StringGrids[t]->Cell(2, row), "9999");
            EXPECT_EQ(f.StringGrids[t]->Cell(1, row),
                      QLocale().toString(QDate(1899, 12, 30), QLocale::ShortFormat));
        }
    }
    f.CloseStatistics();
    TGame& g = s.Program->Game;
    g.AIRating = 2800;
    g.MatchTime = 61999;
    s.Program->Host.Terminate();  // the input box is not shown: the name stays "NoName"
    g.RecordHighScore();
    f.OpenStatistics();
    EXPECT_EQ(f.StringGrids[6]->Cell(0, 1), "NoName");
    EXPECT_EQ(f.StringGrids[6]->Cell(2, 1), "61");
    EXPECT_EQ(f.StringGrids[6]->Cell(2, 2), "9999");
    // Saved right away.
    THighScores back;
    int32_t rating = 0;
    SetHighScoreDefaults(back);
    ASSERT_FALSE(LoadHighScores(Folder(dir), back, rating).has_value());
    EXPECT_EQ(back[7][1].Score, 61);
}

// Closing the window while match setup waits at the chooser ends every wait at
// once: the setup returns without a countdown, the step never starts, and the
// results are saved.
TEST(ProgramExit, ClosingDuringTheChooserEndsTheSetupCleanly) {
    QTemporaryDir dir;
    TStart s;
    Start(s, Folder(dir), "Gil");
    TGame& g = s.Program->Game;
    bool closed = false;
    QTimer::singleShot(120, [&] {
        EXPECT_TRUE(g.Screen.DIBContainer3.Visible);  // the chooser is up
        closed = s.Program->FormClose();
    });
    QElapsedTimer wall;
    wall.start();
    g.DIBImage2MouseUp();  // waits inside the chooser until the close
    EXPECT_TRUE(closed);
    EXPECT_LT(wall.elapsed(), 5000);
    EXPECT_TRUE(s.Program->Host.Terminated());
    EXPECT_FALSE(g.DIBTimer1.Enabled());
    EXPECT_FALSE(g.AItimer.Enabled());
    EXPECT_FALSE(g.Screen.RxLabel2.Caption == "1");  // the countdown never ran
    EXPECT_EQ(ReadAll(Folder(dir) + "S.hs").size(), 2808);
}

// While a wait runs, the game timers keep firing on the Qt host, in time order,
// and the wait lasts as long as asked.
TEST(QtHostWaits, TimersFireDuringANestedWait) {
    TQtHost host;
    std::vector<std::string> events;
    TTimer fast(host.Scheduler(), "fast", 30, true, [&] { events.push_back("fast"); });
    TTimer slow(host.Scheduler(), "slow", 70, true, [&] { events.push_back("slow"); });
    QElapsedTimer wall;
    wall.start();
    host.WaitMs(200);
    const qint64 elapsed = wall.elapsed();
    EXPECT_GE(elapsed, 200);
    const auto fastCount = std::count(events.begin(), events.end(), "fast");
    const auto slowCount = std::count(events.begin(), events.end(), "slow");
    // Ticks that come late under load are dropped, never doubled: no more ticks
    // than whole periods in the time the wait really took (a busy machine may
    // make it overrun its 200 ms); the lower bounds allow for a busy machine.
    EXPECT_GE(fastCount, 2);
    EXPECT_LE(fastCount, elapsed / 30);
    EXPECT_GE(slowCount, 1);
    EXPECT_LE(slowCount, elapsed / 70);
    EXPECT_GT(fastCount, slowCount);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0], "fast");
    host.Terminate();
    events.clear();
    host.WaitMs(1000);  // returns at once
    EXPECT_TRUE(events.empty());
}

// A file whose dates hold values no calendar has (not a number, infinity, a
// day millions of years away) loads, and the statistics show those dates as
// empty cells while names and scores still show; an ordinary date shows in the
// short format with the time of day dropped.
TEST(ProgramStatistics, DamagedDatesShowAsEmptyCells) {
    QTemporaryDir dir;
    THighScores scores;
    SetHighScoreDefaults(scores);
    scores[2][1].Date = std::numeric_limits<double>::quiet_NaN();
    scores[2][2].Date = std::numeric_limits<double>::infinity();
    scores[2][3].Date = -1.0e300;
    scores[2][4].Date = 46000.75;  // 2025-12-09, evening
    const auto record = EncodeHighScores(scores, 1600);
    WriteAll(Folder(dir) + "S.hs", QByteArray(reinterpret_cast<const char*>(record.data()), 2808));
    TStart s;
    Start(s, Folder(dir), "Ida");
    EXPECT_TRUE(s.Errors.isEmpty());
    TForm1& f = *s.Program->Form1;
    f.OpenStatistics();
    for (int row = 1; row <= 3; ++row) {
        EXPECT_EQ(f.StringGrids[1]->Cell(1, row), "") << row;
        EXPECT_EQ(f.StringGrids[1]->Cell(2, row), "9999") << row;
    }
    EXPECT_EQ(f.StringGrids[1]->Cell(1, 4), QLocale().toString(QDate(2025, 12, 9), QLocale::ShortFormat));
}

// No edit of the player's makes the name longer than 20 characters, whichever
// way the text comes in; a longer name put in from the name file stays whole
// and can only be shortened.
TEST(NameDialog, NoEditMakesTheNameLongerThanTwenty) {
    const QString forty = QString(40, QLatin1Char('w'));
    const auto key = [](QWidget* w, int k, Qt::KeyboardModifiers mods, const QString& text = QString()) {
        QKeyEvent press(QEvent::KeyPress, k, mods, text);
        QCoreApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, k, mods, text);
        QCoreApplication::sendEvent(w, &release);
    };
    struct TWay {
        const char* What;
        std::function<void(QLineEdit*, const QString&)> Insert;
        bool Typed = false;  // key by key: line breaks are keys of their own
    };
    const std::vector<TWay> ways = {
        {"typing",
         [&](QLineEdit* e, const QString& text) {
             for (QChar c : text) key(e, Qt::Key_W, Qt::NoModifier, QString(c));
         },
         true},
        {"Ctrl+V",
         [&](QLineEdit* e, const QString& text) {
             QGuiApplication::clipboard()->setText(text);
             key(e, Qt::Key_V, Qt::ControlModifier);
         }},
        {"the context menu's Paste",
         [](QLineEdit* e, const QString& text) {
             QGuiApplication::clipboard()->setText(text);
             std::unique_ptr<QMenu> menu(e->createStandardContextMenu());
             for (QAction* a : menu->actions())
                 if (a->text().startsWith(QLatin1String("&Paste"))) a->trigger();
         }},
        {"a drop",
         [](QLineEdit* e, const QString& text) {
             QMimeData data;
             data.setText(text);
             const QPoint at(e->width() - 2, 8);
             QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QCoreApplication::sendEvent(e, &enter);
             QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QCoreApplication::sendEvent(e, &move);
             QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
             QCoreApplication::sendEvent(e, &drop);
         }},
        {"an input method that moves the cursor",
         [](QLineEdit* e, const QString& text) {
             QInputMethodEvent commit(QString(), {{QInputMethodEvent::Selection, 1, 0}});
             commit.setCommitString(text);
             QCoreApplication::sendEvent(e, &commit);
             e->end(false);
         }},
    };
    for (const TWay& way : ways) {
        TForm2 dialog;
        dialog.show();
        dialog.SetText("Ada");
        dialog.Edit1->setFocus();
        dialog.Edit1->end(false);
        way.Insert(dialog.Edit1, forty);
        EXPECT_EQ(dialog.Text().toStdString(), ("Ada" + forty.left(17)).toStdString()) << way.What;
        if (way.Typed) {
            EXPECT_TRUE(dialog.Edit1->isUndoAvailable()) << way.What;  // refused keys leave the history
        } else {
            // A name is one line: of several, the first comes in.
            dialog.SetText("Ada");
            dialog.Edit1->end(false);
            way.Insert(dialog.Edit1, "Bo\r\nsecond line");
            EXPECT_EQ(dialog.Text().toStdString(), "AdaBo") << way.What;
        }

        const QString fromFile = "A name read from the file that is long";
        dialog.SetText(fromFile);
        EXPECT_EQ(dialog.Text().toStdString(), fromFile.toStdString()) << way.What;
        dialog.Edit1->end(false);
        way.Insert(dialog.Edit1, forty);
        EXPECT_EQ(dialog.Text().toStdString(), fromFile.toStdString()) << way.What;
        dialog.Edit1->end(false);
        dialog.Edit1->backspace();
        way.Insert(dialog.Edit1, forty);
        EXPECT_EQ(dialog.Text().toStdString(), fromFile.chopped(1).toStdString()) << way.What;
    }
}
