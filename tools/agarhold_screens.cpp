// Renders the screens offscreen into PNG files, for looking at them without a
// display: the title screen, the chooser, a match in mid-game, the statistics
// panel and the name dialog.
//
//   agarhold_screens OUTPUT_FOLDER
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <cstdio>

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

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
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
