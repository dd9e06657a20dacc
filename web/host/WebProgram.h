// The browser's program: what the desktop does when its main window is
// created, first shown and left, with the two saved files in the page's
// storage (the same bytes the desktop writes), then the page's events until
// "EXIT GAME". main() (WebMain.cpp) runs it once.
#pragma once

#include <cstdint>
#include <string>

#include "ClockHands.h"
#include "StarMotion.h"
#include "TGame.h"
#include "WebHost.h"

class TWebProgram {
public:
    TWebProgram();
    TWebProgram(const TWebProgram&) = delete;
    TWebProgram& operator=(const TWebProgram&) = delete;

    // Start-up, the name dialog, then events until "EXIT GAME"; tells the page
    // it has ended and returns.
    void Main();

    TWebHost Host;
    TGame Game;

private:
    void ShowError(const std::string& utf8);
    void FormCreate();
    void FormShow();
    bool SavePlayerName(const std::string& name);
    bool SaveResults();
    // Brings the results another tab saved into this tab's tables and rating.
    void BringInStoredResults();
    bool SaveOnLeaving();
    void ExitGame();
    void OpenStatistics();
    void Handle(const TWebEvent& e);
    void Click(const std::string& name);
    int64_t Decorate(int64_t now);

    int FailedLeavingSaves = 0;
    // PlayerRating as this tab last read or wrote it in storage.
    int32_t StoredRating = 1600;
    TStarMotion Stars;
    TStarPacer Pacer;
    bool StarsRunning = false;
    int64_t NextStarFrame = 0;
    TClockFace Clock;
    int64_t NextClockFrame = 0;
};
