// The pointer over the magnified board: the read-out, the drop test, and the
// end of a drag of one of the human's tube icons.
#include "TGame.h"

namespace {

// The cell under view pixel (x, y). The view is 408 x 411, so its bottom
// three pixel rows give row 102, outside the grid: read as an empty cell.
TCell CellUnder(const TGrid& grid, int x, int y) {
    const int col = x / 4;
    const int row = y / 4;
    if (col < 0 || col >= GridSize || row < 0 || row >= GridSize) return TCell{};
    return grid(col, row);
}

// A drop cell index clamped as the drag end does: below 0 to 1, above 100 to 99.
int32_t ClampDropIndex(int32_t v) {
    if (v < 0) return 1;
    if (v > 100) return 99;
    return v;
}

}  // namespace

bool TGame::DIBMagnifier1DragOver(bool sourceIsSprite, bool senderIsMagnifier, int x, int y) {
    bool accept;
    if (!sourceIsSprite || !senderIsMagnifier) {
        accept = false;
    } else if (!(DropZoneLeft < x && x < DropZoneRight) &&
               CellUnder(Grid, x, y).Owner != DragPlayer) {
        // Outside the free-drop band only the player's own cells take a drop.
        accept = false;
    } else if (x <= 50) {
        accept = false;
    } else {
        accept = true;
    }
    DropAccepted[DragPlayer] = accept;
    return accept;
}

void TGame::DIBMagnifier1MouseMove(int x, int y) {
    Screen.RxLabel1.Caption = "Sector : " + std::to_string(x) + "-" + std::to_string(y) +
                              " Strength=" + std::to_string(CellUnder(Grid, x, y).Strength);
}

void TGame::Bac1_1StartDrag(int tag) {
    WakeRestingTimers();  // the clock pulses a dragged icon
    DraggedTag = tag;
}

void TGame::Bac1_1EndDrag(int tag, bool onMagnifier, int x, int y) {
    WakeRestingTimers();  // a drop changes the board
    if (onMagnifier && DropAccepted[DragPlayer] && tag >= 1 && tag <= 6) {
        const int32_t col = ClampDropIndex(x / 4);
        const int32_t row = ClampDropIndex(y / 4);
        const int32_t size = tag <= 5 ? Tube[DragPlayer][static_cast<size_t>(tag)].Size
                                      : SuperSize[DragPlayer];
        Inject(size, DragPlayer, col, row, size);
        if (tag <= 5) {
            Tube[DragPlayer][static_cast<size_t>(tag)].Size = 0;
            Tube[DragPlayer][static_cast<size_t>(tag)].Growth = 50;
            Screen.HumanTubeIcon(tag).Opacity = 200;
        } else {
            // The super bacterium comes back bigger and charges again from zero.
            SuperSize[DragPlayer] = 15;
            SuperCharge[DragPlayer] = 0;
            Screen.bac1_S.Opacity = 10;
            Screen.bac1_S.Enabled = false;
        }
    }
    DropAccepted.fill(false);
    DraggedTag = 0;
}
