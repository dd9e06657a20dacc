// The program: the host, the game, the sounds and the two windows, and what
// happens when the main window is created, first shown and closed.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "AgarholdU1.h"
#include "AgarholdU2.h"
#include "QtHost.h"
#include "SavedFiles.h"
#include "TGame.h"
#include "WavList.h"

class TWindowGoneFilter;

class TProgram {
public:
    // `folder` is the program's own folder, where "S.hs" and "Pl.nam" live
    // while it can hold them; `dataFolder` the player's data folder that takes
    // a file the program's folder cannot hold. `showError` tells the player of
    // a file error (a modal error box when none is given; tests collect the
    // texts instead).
    explicit TProgram(const QString& folder = ProgramFolder(),
                      std::function<void(const QString&)> showError = nullptr,
                      const QString& dataFolder = UserDataFolder());
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // Shows the main window, then the name dialog (modal); returns when it is closed.
    void Show();

    // The main window's close box: writes "S.hs"; on an error shows it and keeps
    // the window open, so the player can free some space and close again. A
    // game can always be closed: when the save fails a second time in a row
    // the error shows once more and the window closes. True when it may close.
    bool FormClose();
    // "EXIT GAME": saves like the close box (a result won in this run is never
    // lost), then ends the program without closing the window first.
    void ExitGame();
    // A signal from the desktop (a logout, Ctrl+C in a terminal), or the main
    // window destroyed from outside under X: every wait
    // and sound stops and the event loops quit, dialogs included. Nothing is
    // written, since every result was saved when it was made; only results
    // whose save failed are tried once more, without a box.
    void EndBySignal();

    std::function<void(const QString&)> ShowError;
    // Runs the name dialog modally; a test may answer it instead.
    std::function<void()> RunNameDialog;

    const TSavedFolders Folders;
    TQtHost Host;
    TGame Game;
    TDIBWavList P1wav;
    TDIBWavList P2wav;
    TDIBWavList Mwav;
    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TForm2> Form2;

private:
    void FormCreate();
    void FormShow();
    bool SaveResults();
    // The folder for a file about to be written, created when it is the data
    // folder and does not exist yet.
    QString FolderToWrite(const char* fileName) const;
    // The save on leaving (close box or "EXIT GAME"): true when the program may end.
    bool SaveOnLeaving();
    std::unique_ptr<TWindowGoneFilter> WindowGone;
    int FailedLeavingSaves = 0;
    bool ResultsUnsaved = false;
    void PlaySound(TWaveList list, int index);
    void End();
};
