// Renders the screens offscreen into PNG files, for looking at them without a
// display: the title screen, the chooser, a match in mid-game, the statistics
// panel and the name dialog.
//
//   agarhold_screens OUTPUT_FOLDER
//   agarhold_screens --web OUTPUT_FOLDER
//
// With --web it writes the states a browser test can bring its page to as
// well, with the saved files that lead there: "S.hs" and "Pl.nam" of a player
// with a few results, the name dialog showing that name, the title screen
// after it (no stars yet, the field stays black until they are started), the
// statistics panel, and the chooser of a new game.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <cstdio>
#include <cstring>

#include "AgarholdU1.h"
#include "AgarholdU2.h"
#include "StarField.h"
#include "TGame.h"
#include "VirtualHost.h"

namespace {

bool Save(QWidget* w, const QDir& dir, const char* name) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
    return true;
}

// The player bar and links as they read after start-up.
void ShowStartUpCaptions(TGame& game) {
    game.Screen.URLtransparantLabel1.Caption = TGame::GameModeCaption(game.GameMode);
    game.Screen.URLtransparantLabel5.Caption = "Hollowbrine";
    game.Screen.URLtransparantLabel7.Caption = std::to_string(game.PlayerRating);
}

bool WriteFile(const QDir& dir, const char* name, const QByteArray& bytes) {
    QFile f(dir.filePath(QString::fromLatin1(name)));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
        return false;
    }
    return true;
}

// The results the web states are made of: two entries of table 3, one of
// table 7 with a name of the full 20 characters, the player's rating 1900.
void SetWebResults(TGame& game) {
    SetHighScoreDefaults(game.HighScores);
    game.HighScores[3][1].SetName("Hollowbrine");
    game.HighScores[3][1].Score = 74;
    game.HighScores[3][1].Date = 46000.6;
    game.HighScores[3][2].SetName("Mossgrave");
    game.HighScores[3][2].Score = 212;
    game.HighScores[3][2].Date = 45712.25;
    game.HighScores[7][1].SetName("A twenty-char player");
    game.HighScores[7][1].Score = 131;
    game.HighScores[7][1].Date = 45990.2;
    game.PlayerRating = 1900;
}

int WebStates(const QDir& dir) {
    bool ok = true;
    VirtualHost host;
    TGame game(host);
    SetWebResults(game);
    const auto record = EncodeHighScores(game.HighScores, game.PlayerRating);
    ok &= WriteFile(dir, "S.hs", QByteArray(reinterpret_cast<const char*>(record.data()), record.size()));
    ok &= WriteFile(dir, "Pl.nam", QByteArray("Hollowbrine\r\n"));

    TForm1 form(game);
    form.show();
    // As start-up leaves the title screen once the name dialog was answered.
    game.Screen.DIBContainer2.Left = 2;
    game.Screen.DIBContainer2.Top = 2;
    game.Screen.URLtransparantLabel7.Caption = std::to_string(game.PlayerRating);
    game.Screen.URLtransparantLabel1.Caption = TGame::GameModeCaption(game.GameMode);
    form.SyncFromModel();
    TForm2 dialog(&form);
    dialog.SetText(QStringLiteral("Hollowbrine"));
    dialog.show();
    ok &= Save(&dialog, dir, "name_dialog.png");
    dialog.hide();
    game.Screen.URLtransparantLabel5.Caption = "Hollowbrine";
    form.SyncFromModel();
    ok &= Save(&form, dir, "title.png");

    form.OpenStatistics();
    ok &= Save(&form, dir, "statistics.png");
    form.CloseStatistics();

    bool chooserSaved = false;
    host.OnEvent = [&] {
        form.SyncFromModel();
        if (!game.InjectionChoiceDone && game.Screen.DIBContainer3.Visible) {
            if (!chooserSaved) ok &= Save(&form, dir, "chooser.png");
            chooserSaved = true;
            form.dxButton1->click();
        }
    };
    emit form.DIBImage2->MouseUp(Qt::LeftButton, QPoint(5, 5));
    host.OnEvent = nullptr;
    return ok && chooserSaved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool web = argc == 3 && std::strcmp(argv[1], "--web") == 0;
    if (argc != 2 && !web) {
        std::fprintf(stderr, "usage: %s [--web] OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const char* folder = argv[argc - 1];
    QDir dir(QString::fromLocal8Bit(folder));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", folder);
        return 1;
    }
    if (web) return WebStates(dir);
    bool ok = true;

    VirtualHost host;
    TGame game(host);
    TForm1 form(game);
    form.show();  // grabbed, never on a screen: the platform is offscreen
    ShowStartUpCaptions(game);
    form.SyncFromModel();
    form.NcaStar1->Seed(11);
    for (int i = 0; i < 400; ++i) form.NcaStar1->Step();
    ok &= Save(&form, dir, "title.png");

    // The statistics panel with a few results.
    game.HighScores[3][1].SetName("Hollowbrine");
    game.HighScores[3][1].Score = 74;
    game.HighScores[3][1].Date = 46000.6;
    game.HighScores[7][1].SetName("A twenty-char player");
    game.HighScores[7][1].Score = 131;
    game.HighScores[7][1].Date = 45990.2;
    form.OpenStatistics();
    ok &= Save(&form, dir, "statistics.png");
    form.CloseStatistics();

    // A match: the start image runs the setup; the chooser is pictured while it waits.
    bool chooserSaved = false;
    host.OnEvent = [&] {
        form.SyncFromModel();
        if (!game.InjectionChoiceDone && game.Screen.DIBContainer3.Visible) {
            if (!chooserSaved) {
                form.ComboBox1->setCurrentIndex(3);
                emit form.ComboBox1->activated(3);
                ok &= Save(&form, dir, "chooser.png");
                chooserSaved = true;
            }
            form.dxButton1->click();
        }
    };
    game.GameMode = 1;  // one game, no series message over the board
    emit form.DIBImage2->MouseUp(Qt::LeftButton, QPoint(5, 5));
    host.OnEvent = nullptr;

    // The human drops tubes now and then; both colonies grow for a while.
    const int drops[][2] = {{85, 30}, {88, 70}, {80, 50}, {70, 40}, {72, 62}, {66, 20}};
    for (int round = 0; round < 6; ++round) {
        host.RunFor(4000);
        if (!game.Screen.DIBContainer2.Visible) {
            game.Tube[1][1].Size = 6;
            if (game.DIBMagnifier1DragOver(true, true, 4 * drops[round][0], 4 * drops[round][1]))
                game.Bac1_1EndDrag(1, true, 4 * drops[round][0], 4 * drops[round][1]);
        }
    }
    host.RunFor(1500);
    form.SyncFromModel();
    ok &= Save(&form, dir, "match.png");

    TForm2 dialog(&form);
    dialog.show();
    ok &= Save(&dialog, dir, "name_dialog.png");
    dialog.hide();
    return ok ? 0 : 1;
}
