// Starting a match: the start image, the setup of every game of a series and
// the placing of the three gray super-energy spots.
#include "TGame.h"

namespace {

const char* const AdvantageMessage =
    "You have the avantage. The Gray super energi spots will be placed closer to you in this "
    "game make sure you win as fast as possible.";

}  // namespace

void TGame::DIBImage2MouseUp() {
    Screen.RxLabel16.Visible = false;
    SeriesCounter = 0;
    if (GameMode > 1) {
        HumanWinTime = 0;
        ComputerWinTime = 0;
        SeriesCounter = static_cast<uint8_t>(GameMode + 1);
        // The label also carries the result of the previous series; a new
        // series always opens with the advantage message.
        Screen.RxLabel16.Caption = AdvantageMessage;
        Screen.RxLabel16.Visible = true;
    }
    SetUpMatch();
}

void TGame::SetUpMatch() {
    WakeRestingTimers();
    ++MatchNumber;
    Screen.DIBImage6.Opacity = 200;
    Screen.DIBImage7.Opacity = 200;
    CellCount[1] = 0;
    MatchTime = 0;
    SpotBonus[1] = 0;
    SpotBonus[2] = 0;
    AIActive = false;
    if (SeriesCounter > 0) --SeriesCounter;

    Screen.DIBContainer2.Visible = false;
    Screen.DIBContainer3.Visible = true;
    ClearGrid();
    DragPlayer = 1;
    DropZoneRight = 400;
    DropZoneLeft = 300;

    // Every game opens the chooser preset to the first two kinds.
    for (TComboModel* box : {&Screen.ComboBox1, &Screen.ComboBox2}) {
        box->Items.assign(std::begin(GlobalInjectionNames), std::end(GlobalInjectionNames));
    }
    Screen.ComboBox1.ItemIndex = 0;
    Screen.ComboBox2.ItemIndex = 1;

    // Wait for "Done"; a window closed meanwhile ends the wait and the setup.
    InjectionChoiceDone = false;
    do {
        WaitMs(10);
        if (Host.Terminated()) return;
    } while (!InjectionChoiceDone);
    Screen.DIBContainer3.Visible = false;

    for (int p = 1; p <= 4; ++p)
        for (int j = 1; j <= 5; ++j) {
            Tube[p][j].Size = 5;
            Tube[p][j].Growth = 250;
        }
    SuperSize[1] = 12;
    SuperCharge[1] = 0;
    SuperSize[2] = 12;
    SuperCharge[2] = 0;

    // The computer's two global injections: any kinds in a single game; in a
    // series the game with the human's advantage gives it one defensive kind,
    // the game with its own advantage two offensive ones.
    Randomize();
    GlobalInjection[2][1] = static_cast<uint8_t>(Random(5) + 1);
    GlobalInjection[2][2] = static_cast<uint8_t>(Random(5) + 1);
    if (SeriesCounter > 0) {
        if (SeriesCounter % 2 == 1) {
            GlobalInjection[2][1] = static_cast<uint8_t>(Random(3) + 1);
            GlobalInjection[2][2] = static_cast<uint8_t>(Random(3) + 1);
        } else {
            GlobalInjection[2][1] = static_cast<uint8_t>(Random(5) + 1);
            GlobalInjection[2][2] = static_cast<uint8_t>(Random(2) + 4);
        }
    }

    Screen.LBL_Action.Caption =
        "The war has begun. Inject your bacterias by dragging them to the playfield";

    Screen.RxLabel2.Visible = true;
    for (const char* count : {"3", "2", "1"}) {
        Screen.RxLabel2.Caption = count;
        WaitMs(1000);
        if (Host.Terminated()) return;
    }
    Screen.RxLabel2.Visible = false;

    PlaceGraySpots();
    BandStart = 101;
    ClearNextGrid();

    DIBTimer1.SetEnabled(true);
    TimerTaller.SetEnabled(true);
    DIBTimer2.SetEnabled(true);
    Screen.DIBImage6.Enabled = true;
    Screen.DIBImage7.Enabled = true;
    AIActive = true;
    AIOpeningPending = true;
    AItimer.SetEnabled(true);

    MatchTime = 0;
    Screen.RxLabel16.Visible = false;
}

void TGame::PlaceGraySpots() {
    // In a series the spots lean 20 columns toward the side that has the
    // advantage in this game: the human in the even games, the computer in the odd.
    int shift = 0;
    if (SeriesCounter > 0) {
        if (SeriesCounter % 2 == 0) {
            shift = 20;
            AdvantageSide = 1;
        } else {
            shift = -20;
            AdvantageSide = 2;
        }
    }
    Randomize();
    for (int k = 1; k <= 3; ++k) {
        const int32_t x = Random(20) + 15 * k + 10;
        const int32_t y = Random(50) + 25;
        Inject(5, GraySpot, x + shift, y, 3);
        // The computer aims at the spots as drawn, before the shift.
        SpotPos[static_cast<size_t>(k)] = {x, y};
    }
}
