// The tube timer: tube icons, the match time with its tick sound, and the
// charging of the human's super bacterium.
#include "TGame.h"

namespace {

// Whether a period of `every` ms was reached or passed by the tick that moved
// the match time from `now - step` to `now`. At a steady game speed this is
// "now is a multiple of every"; after a change of speed it still fires once
// per period instead of never again.
bool CrossedMultiple(int32_t now, int32_t step, int32_t every) {
    return now / every > (now - step) / every;
}

}  // namespace

void TGame::DIBTimer2Timer() {
    const int32_t step = 5 * DIBTimer1.Interval();
    DIBTimer2.SetInterval(step);
    RefreshTubeIcons();
    MatchTime += step;
    Screen.RxLabel9.Caption = "Time :" + std::to_string(MatchTime / 1000);

    if (CrossedMultiple(MatchTime, step, 4000)) Host.PlaySound(TWaveList::Mwav, 0);

    // After 30 seconds the super bacterium charges every 2 seconds, the
    // faster the less of the board the human holds.
    if (CrossedMultiple(MatchTime, step, 2000) && SuperCharge[1] < 1001 && MatchTime > 30000) {
        Screen.DIBImage8.Visible = false;
        const int32_t pct = CellCount[1] / 100;
        if (pct >= 60) return;
        SuperCharge[1] += (61 - pct) / 4;
        Screen.bac1_S.Opacity = SuperCharge[1] / 5;
        Screen.RxLabel7.Caption = std::to_string(SuperCharge[1] / 10) + "% finished";
        if (pct < 40) SuperCharge[1] += 40 - pct;
        if (SuperCharge[1] > 1000) {
            Screen.bac1_S.Enabled = true;
            SuperCharge[1] = 1001;
            Screen.RxLabel7.Caption = "READY !!";
        }
    }
}

void TGame::RefreshTubeIcons() {
    for (int p = 1; p <= 2; ++p)
        for (int j = 1; j <= 5; ++j) {
            TSpriteModel& icon = p == 1 ? Screen.HumanTubeIcon(j) : Screen.ComputerTubeIcon(j);
            const uint8_t size = Tube[p][j].Size;
            icon.ImageIndex = size;
            if (size > 0) {
                icon.Hint = "Bacterias formed and ready for injection, curent bacteria size :" +
                            std::to_string(size);
                icon.Enabled = true;
            } else {
                icon.Hint = "No bacterias formed yet in this reaction tube";
                icon.Enabled = false;
            }
        }
}
