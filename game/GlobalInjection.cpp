// Global injections: one-shot weapons acting on a band of columns of the grid.
#include "TGame.h"

namespace {

struct TWindow {
    int First;
    int Last;
};

// The columns a kind acts on: on the human's (right) half when side 1 fires,
// on the computer's (left) half when side 2 fires.
TWindow KindWindow(uint8_t side, uint8_t kind) {
    static constexpr TWindow Human[6] = {{0, -1}, {20, 100}, {20, 100}, {40, 100}, {70, 100}, {40, 90}};
    static constexpr TWindow Computer[6] = {{0, -1}, {0, 80}, {0, 80}, {0, 60}, {0, 30}, {0, 50}};
    if (kind > 5) return {0, -1};
    return side == Blue ? Human[kind] : Computer[kind];
}

bool IsGray(const TGrid& grid, int x, int y) {
    if (x < 0 || x >= GridSize || y < 0 || y >= GridSize) return false;
    return grid(x, y).Owner == GraySpot;
}

}  // namespace

void TGame::FireGlobalInjection(uint8_t side, uint8_t kind) {
    if (kind == 0) return;
    const uint8_t enemy = side == Blue ? Red : Blue;
    Host.PlaySound(side == Blue ? TWaveList::P1wav : TWaveList::P2wav, 1);

    const TWindow window = KindWindow(side, kind);
    for (int x = window.First; x <= window.Last; ++x) {
        for (int y = 1; y <= BoardHeight; ++y) {
            TCell& c = Grid(x, y);
            switch (kind) {
                case 1:  // stabilizer: weak own cells gain strength and life
                    if (c.Owner == side && c.Strength < 5 && Random(10) > 2) {
                        c.Strength = static_cast<uint8_t>(c.Strength + 2);
                        c.Vitality = static_cast<uint8_t>(c.Vitality + 2);
                    }
                    break;
                case 2:  // destabilizer: enemy cells lose half their strength and life
                    if (c.Owner == enemy && c.Strength >= 2 && Random(10) > 2) {
                        c.Strength = static_cast<uint8_t>(c.Strength / 2);
                        c.Vitality = static_cast<uint8_t>(c.Vitality / 2);
                    }
                    break;
                case 3:  // terminate: enemy cells three steps in line from a gray cell turn
                    if (c.Owner == enemy &&
                        (IsGray(Grid, x - 3, y) || IsGray(Grid, x + 3, y) ||
                         IsGray(Grid, x, y - 3) || IsGray(Grid, x, y + 3))) {
                        c.Owner = side;
                        c.Strength = 3;
                        c.Vitality = 3;
                    }
                    break;
                case 4:  // inverter: enemy cells in the start area turn to the firing side
                    if (c.Owner == enemy && Random(10) > 2) {
                        c.Owner = side;
                        c.Strength = 3;
                        c.Vitality = 3;
                    }
                    break;
                case 5:  // defender: enemy cells in the start area are wiped out
                    if (c.Owner == enemy && Random(10) > 2) {
                        c.Owner = Empty;
                        c.Strength = 0;
                    }
                    break;
                default:
                    break;
            }
        }
    }
}
