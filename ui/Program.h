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

class TProgram {
public:
    // `folder` is where "S.hs" and "Pl.nam" live: the program's own folder.
    // `showError` tells the player of a file error (a modal error box when none
    // is given; tests collect the texts instead).
    explicit TProgram(const QString& folder = ProgramFolder(),
                      std::function<void(const QString&)> showError = nullptr);
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // Shows the main window, then the name dialog (modal); returns when it is closed.
    void Show();

    // The main window's close box: writes "S.hs"; on an error shows it and keeps
    // the window open. True when the window may close.
    bool FormClose();
    // "EXIT GAME": saves like the close box (a result won in this run is never
    // lost), then ends the program without closing the window first.
    void ExitGame();

    std::function<void(const QString&)> ShowError;
    // Runs the name dialog modally; a test may answer it instead.
    std::function<void()> RunNameDialog;

    const QString Folder;
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
    void PlaySound(TWaveList list, int index);
    void End();
};
