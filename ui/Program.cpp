#include "Program.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <csignal>
#include <xcb/xcb.h>

#include "Assets.h"
#include "Hints.h"

// Under X another program may destroy the main window without asking it to
// close (xdotool windowclose, a session tool): Qt only hears that the window
// is gone. The game then ends as when the desktop ends it.
class TWindowGoneFilter : public QAbstractNativeEventFilter {
public:
    TWindowGoneFilter(const QWidget& window, std::function<void()> gone)
        : Window(window), Gone(std::move(gone)) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_DESTROY_NOTIFY) return false;
        const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (Window.internalWinId() == 0 || destroyed->window != Window.internalWinId()) return false;
        Gone();
        return false;
    }

private:
    const QWidget& Window;
    std::function<void()> Gone;
};

TProgram::TProgram(const QString& folder, std::function<void(const QString&)> showError,
                   const QString& dataFolder)
    : ShowError(std::move(showError)), Folders{folder, dataFolder}, Game(Host) {
    // A write past the file size limit fails with an error the save reports,
    // instead of ending the program.
    signal(SIGXFSZ, SIG_IGN);
    if (!ShowError)
        ShowError = [this](const QString& text) {
            QMessageBox::critical(Form1.get(), QStringLiteral("Agarhold"), text);
        };
    P1wav.Add(WaveFileBytes(QStringLiteral("p1_0")));
    P1wav.Add(WaveFileBytes(QStringLiteral("p1_1")));
    Mwav.Add(WaveFileBytes(QStringLiteral("m_0")));
    Mwav.Add(QByteArray());  // the second clock sound holds no data

    Form1 = std::make_unique<TForm1>(Game);
    Host.DialogParent = Form1.get();
    Host.AfterEvent = [this] {
        if (Form1) Form1->SyncFromModel();
    };
    Host.Sound = [this](TWaveList list, int index) { PlaySound(list, index); };
    Host.OnResultsChanged = [this] { SaveResults(); };
    Form1->OnClose = [this] { return FormClose(); };
    Form1->OnExitGame = [this] { ExitGame(); };
    FormCreate();

    Form2 = std::make_unique<TForm2>(Form1.get());
    Form2->OnOk = [this](const QString& name) {
        if (auto err = SavePlayerName(FolderToWrite(PlayerNameFileName), name)) {
            ShowError(*err);
            return false;
        }
        return true;
    };
    RunNameDialog = [this] { Form2->exec(); };
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        WindowGone = std::make_unique<TWindowGoneFilter>(*Form1, [this] { EndBySignal(); });
        qApp->installNativeEventFilter(WindowGone.get());
    }
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &Host, [this] { Host.Terminate(); });
}

TProgram::~TProgram() {
    if (WindowGone) qApp->removeNativeEventFilter(WindowGone.get());
    Host.Terminate();
    Host.AfterEvent = nullptr;
    Form2.reset();
    Form1.reset();
}

void TProgram::FormCreate() {
    TScreen& s = Game.Screen;
    s.DIBContainer2.Left = 2;
    s.DIBContainer2.Top = 2;
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        InstallHintTimings(*app, THintTimings{50, 50, 30000});
    P2wav.Assign(P1wav);
    SetHighScoreDefaults(Game.HighScores);
    Game.PlayerRating = 1600;
    // A damaged file is reported, and start-up still goes on with the labels, so
    // the player bar shows the real rating and the mode link its caption.
    const QString folder = Folders.FolderFor(HighScoreFileName);
    const TFileError err = HighScoreFileExists(folder)
                               ? LoadHighScores(folder, Game.HighScores, Game.PlayerRating)
                               : SaveHighScores(FolderToWrite(HighScoreFileName), Game.HighScores,
                                                Game.PlayerRating);
    if (err) ShowError(*err);
    s.URLtransparantLabel7.Caption = std::to_string(Game.PlayerRating);
    s.URLtransparantLabel1.Caption = TGame::GameModeCaption(Game.GameMode);
    Form1->SyncFromModel();
}

void TProgram::Show() {
    Form1->show();
    FormShow();
}

void TProgram::FormShow() {
    if (auto name = ReadPlayerName(Folders.FolderFor(PlayerNameFileName))) Form2->SetText(*name);
    RunNameDialog();
    if (!Form2) return;
    Game.Screen.URLtransparantLabel5.Caption = Form2->Text().toLatin1().toStdString();
    Form1->SyncFromModel();
}

QString TProgram::FolderToWrite(const char* fileName) const {
    const QString folder = Folders.FolderFor(fileName);
    if (folder != Folders.Program) QDir().mkpath(folder);
    return folder;
}

// After a result the save runs at once; when it fails the player is told and
// play goes on: the result stays in memory and the next save writes it.
bool TProgram::SaveResults() {
    if (auto err = SaveHighScores(FolderToWrite(HighScoreFileName), Game.HighScores, Game.PlayerRating)) {
        ResultsUnsaved = true;
        ShowError(*err);
        return false;
    }
    ResultsUnsaved = false;
    FailedLeavingSaves = 0;
    return true;
}

bool TProgram::SaveOnLeaving() {
    if (SaveResults()) return true;
    // Told twice in a row, the player may go: a game must never be impossible to close.
    return ++FailedLeavingSaves >= 2;
}

bool TProgram::FormClose() {
    if (!SaveOnLeaving()) return false;
    End();
    return true;
}

void TProgram::ExitGame() {
    if (!SaveOnLeaving()) return;
    End();
    QCoreApplication::quit();
}

void TProgram::EndBySignal() {
    if (ResultsUnsaved && !SaveHighScores(FolderToWrite(HighScoreFileName), Game.HighScores, Game.PlayerRating))
        ResultsUnsaved = false;
    End();
    // Every event loop ends, a dialog's or a box's as well as the main one.
    QCoreApplication::exit(0);
}

void TProgram::End() {
    // Every wait of the game (the chooser, the countdown, a result pause) ends
    // now, and no game is set up any more.
    Host.Terminate();
    Game.DIBTimer1.SetEnabled(false);
    Game.DIBTimer2.SetEnabled(false);
    Game.TimerTaller.SetEnabled(false);
    Game.AItimer.SetEnabled(false);
    TSoundPlayer* player = TSoundPlayer::Shared();
    if (player) player->Stop();
}

void TProgram::PlaySound(TWaveList list, int index) {
    switch (list) {
        case TWaveList::P1wav: P1wav.Play(index); break;
        case TWaveList::P2wav: P2wav.Play(index); break;
        case TWaveList::Mwav: Mwav.Play(index); break;
    }
}
