// The match clock: the home-line tests that end a game, what the player is
// told then, and the way on to the next game of a series or back to the title.
#include "TGame.h"

namespace {

// Rows whose cell in column `x` belongs to `owner`.
int CountHomeLine(const TGrid& grid, int x, uint8_t owner) {
    int n = 0;
    for (int y = 1; y <= 100; ++y)
        if (grid(x, y).Owner == owner) ++n;
    return n;
}

}  // namespace

void TGame::AdvanceDragPulse() {
    if (DragPulse > 25) DragPulse = 0;
    ++DragPulse;
}

void TGame::TimerTallerTimer() {
    AdvanceDragPulse();
    // Only tube 1's icon pulses while it is dragged.
    if (DraggedTag == 1) Screen.Bac1_1.Opacity = (DragPulse / 3) * 20 + 50;

    // The computer's test comes first; when both hold in one tick both results show.
    if (CountHomeLine(Grid, 100, Red) > 10) {
        ComputerWins();
        if (Host.Terminated()) return;
    }
    if (CountHomeLine(Grid, 1, Blue) > 10) HumanWins();

    // Before the first match the board stays empty and nothing is dragged
    // until a handler wakes the clock: its ticks would only count the pulse.
    if (TimersMayRest && MatchNumber == 0 && Screen.DIBContainer2.Visible && !DIBTimer1.Enabled() &&
        DraggedTag == 0)
        TimerTaller.Rest();
}

void TGame::WakeRestingTimers() {
    // The pulse runs through the 26 values 1..26 (from 0 at start-up), so
    // a long rest is counted modulo that cycle.
    int64_t slept = TimerTaller.Wake();
    if (slept > 26) slept = 26 + slept % 26;
    for (int64_t i = 0; i < slept; ++i) AdvanceDragPulse();
    AItimer.Wake();
}

bool TGame::PauseWithin(uint32_t game, int ms) {
    WaitMs(ms);
    return !Host.Terminated() && MatchNumber == game;
}

void TGame::ComputerWins() {
    // A pause runs the window: the player may start a new game from a title
    // screen that is already up. This sequence then belongs to a game that is
    // gone and stops without touching the new one.
    const uint32_t game = MatchNumber;
    DIBTimer1.SetEnabled(false);
    DIBTimer2.SetEnabled(false);
    TimerTaller.SetEnabled(false);
    Screen.RxLabel2.Caption = "Red Won";
    Screen.RxLabel2.Visible = true;

    if (AdvantageSide == 1) {
        // Losing the game in which the human had the spots on his side loses
        // the whole series at once: no second game is played. The loss is
        // scored before the pause, so closing the window then cannot dodge it.
        Screen.RxLabel16.Caption = "You had the advantage so you should have won. Game over. you lost";
        Screen.RxLabel16.Visible = true;
        ApplyRatingChange(false);
        SeriesCounter = 0;
        AdvantageSide = 0;
        if (PauseWithin(game, 5000)) ShowTitleScreen();
        return;
    }
    ComputerWinTime = MatchTime;

    if (GameMode > 1) {
        if (SeriesCounter > 1) {
            Screen.RxLabel16.Visible = false;
        } else {
            Screen.RxLabel16.Visible = true;
            const std::string times = std::to_string(HumanWinTime / 1000) + " to win and the ai used " +
                                      std::to_string(ComputerWinTime / 1000);
            const bool won = HumanWinTime < ComputerWinTime;
            Screen.RxLabel16.Caption = (won ? "You won. You used " : "You lost. You used ") + times;
            ApplyRatingChange(won);
            // The series is scored; nothing later in this tick scores it again.
            SeriesCounter = 0;
        }
    }
    if (!PauseWithin(game, 5000)) return;
    if (SeriesCounter > 1)
        SetUpMatch();
    else
        ShowTitleScreen();
}

void TGame::HumanWins() {
    const uint32_t game = MatchNumber;
    DIBTimer1.SetEnabled(false);
    DIBTimer2.SetEnabled(false);
    TimerTaller.SetEnabled(false);
    Screen.RxLabel2.Caption = "You Won";
    Screen.RxLabel2.Visible = true;

    if (GameMode == 1) {
        // The title screen may be up during the pause (after a computer win in
        // the same tick): a rating chosen there is for the next game, and the
        // win enters the table of the computer it was won against.
        const int32_t opponent = AIRating;
        if (!PauseWithin(game, 3000)) return;
        RecordHighScoreAgainst(opponent);
    } else {
        HumanWinTime = MatchTime;
        if (SeriesCounter == 1) {
            // Winning the last game of a series, the one with the computer's
            // advantage, after winning the first: the series is won, and
            // scored before the pause.
            Screen.RxLabel16.Caption = "You won. The ai did not reach your homeline.";
            ApplyRatingChange(true);
            SeriesCounter = 0;
        } else {
            Screen.RxLabel16.Caption = "You used " + std::to_string(HumanWinTime / 1000) +
                                       "seconds to win. Defend your homeline for more seconds to win";
        }
        Screen.RxLabel16.Visible = true;
        if (!PauseWithin(game, 5000)) return;
        Screen.RxLabel16.Visible = false;
    }
    if (SeriesCounter > 1)
        SetUpMatch();
    else
        ShowTitleScreen();
}

void TGame::ShowTitleScreen() {
    Screen.DIBContainer2.Visible = true;
    Screen.URLtransparantLabel7.Caption = std::to_string(PlayerRating);
    Screen.DIBContainer3.Visible = false;
}
