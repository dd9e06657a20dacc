#include "TGame.h"

const char* const GlobalInjectionNames[5] = {
    "(stabilizer)inject extra power to all own bacterias",
    "(Destablizer) Destablize all enemys bacterias",
    "(Terminate) terminate enemy bacterias surrounding gray spots nearest to player",
    "(Inverter) Invert enemy bacterias to own in start area",
    "(Defender) Erase player start area from enemy bacterias",
};

TGame::TGame(THost& host)
    : Host(host),
      DIBTimer1(host.Scheduler(), "DIBTimer1", 50, false, [this] { DIBTimer1Timer(); }),
      DIBTimer2(host.Scheduler(), "DIBTimer2", 250, false, [this] { DIBTimer2Timer(); }),
      TimerTaller(host.Scheduler(), "TimerTaller", 25, true, [this] { TimerTallerTimer(); }),
      AItimer(host.Scheduler(), "AItimer", 500, false, [this] { AItimerTimer(); }) {
    SetHighScoreDefaults(HighScores);
}

void TGame::ClearGrid() {
    // Owner and strength only: vitality is rewritten whenever a cell next
    // changes owner or is injected.
    for (TCell& c : Grid.Cells) {
        c.Owner = 0;
        c.Strength = 0;
    }
}

void TGame::ClearNextGrid() {
    // Owner and strength are what the step stages; its vitality field is never
    // used, so the whole buffer is cleared in one go.
    NextGrid.Cells.fill(TCell{});
}

std::string TextBetween(const std::string& s, char open, char close) {
    const size_t o = s.find(open);
    const size_t c = s.find(close);
    if (o == std::string::npos || c == std::string::npos) return {};
    if (c > o + 1) return s.substr(o + 1, c - o - 1);
    return {};
}
