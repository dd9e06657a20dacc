// The growth-and-battle step: one band of 20 rows per tick, staged in NextGrid,
// and a generation close every fifth tick that applies the staged changes, ages
// every cell, counts the board and pays both colonies their energy.
#include <algorithm>
#include <cstdint>
#include <string>

#include "TGame.h"

namespace {

// Strength a cell contributes to one owner's 3 x 3 sum: its strength when it
// belongs to that owner, otherwise nothing (empty cells and gray spots count
// for nobody).
inline int StrengthOf(const TCell& c, uint8_t owner) {
    return c.Owner == owner ? c.Strength : 0;
}

// The three rules for one cell, given the Blue and Red sums of its 3 x 3 block.
// Reads the cell from Grid, writes only its own NextGrid entry.
inline void EvaluateCell(TGame& g, int x, int y, int blueSum, int redSum) {
    if (blueSum == redSum) return;  // a tie (both 0 included) leaves the cell alone
    const uint8_t w = blueSum > redSum ? Blue : Red;
    const int W = blueSum > redSum ? blueSum : redSum;
    const TCell& cell = g.Grid(x, y);
    const uint8_t o = cell.Owner;
    const int s = cell.Strength;
    TCell& staged = g.NextGrid(x, y);

    if (o == Empty) {
        // Settle: an empty cell beside a strong enough colony is taken.
        if (W >= 5) {
            staged.Owner = w;
            staged.Strength = static_cast<uint8_t>(W / 8 + 1);
        }
    } else if (o == w) {
        // Grow: a living cell in its own colony's crowd strengthens, slower when strong.
        if (W >= 8 && cell.Vitality > 0 && s < 7) {
            if (g.Random(3 * s + 10) <= 1) staged.Strength = static_cast<uint8_t>(s + 1);
        }
    } else if (W >= 9) {
        // Attack: the defender loses one strength half the time; when nothing is
        // left of it (the blow missed, or it was down to 1) it falls to the attacker.
        if (g.Random(10) >= 5) staged.Strength = static_cast<uint8_t>(s - 1);
        if (staged.Strength == 0) {
            staged.Owner = w;
            staged.Strength = static_cast<uint8_t>(W / 8 + 1);
        }
    }
}

}  // namespace

void TGame::DIBTimer1Timer() {
    DIBTimer1.SetEnabled(false);
    // The board on screen shows the grid as it stands before this tick's band.
    ++Screen.DIBImage1RefreshCount;
    BandStart -= 20;
    StepBand();
    if (BandStart <= 20) CloseGeneration();
    DIBTimer1.SetEnabled(true);
}

void TGame::StepBand() {
    const int top = std::max(1, BandStart);
    const int bottom = std::min(BoardHeight, BandStart + 19);
    // Per row, the Blue and Red strength of each column's three cells (the row
    // above, the row itself, the row below); a cell's sums are then three of these.
    int columnBlue[GridSize];
    int columnRed[GridSize];
    for (int y = top; y <= bottom; ++y) {
        for (int x = 0; x < GridSize; ++x) {
            const TCell& a = Grid(x, y - 1);
            const TCell& b = Grid(x, y);
            const TCell& c = Grid(x, y + 1);
            columnBlue[x] = StrengthOf(a, Blue) + StrengthOf(b, Blue) + StrengthOf(c, Blue);
            columnRed[x] = StrengthOf(a, Red) + StrengthOf(b, Red) + StrengthOf(c, Red);
        }
        for (int x = 1; x <= BoardWidth; ++x) {
            const int blueSum = columnBlue[x - 1] + columnBlue[x] + columnBlue[x + 1];
            const int redSum = columnRed[x - 1] + columnRed[x] + columnRed[x + 1];
            EvaluateCell(*this, x, y, blueSum, redSum);
        }
    }
}

void TGame::ApplyGeneration() {
    for (int x = 1; x <= BoardWidth; ++x) {
        for (int y = 1; y <= BoardHeight; ++y) {
            TCell& cell = Grid(x, y);
            const TCell& staged = NextGrid(x, y);

            // Census of the owner the cell held during this generation.
            const bool counted = cell.Owner >= 1 && cell.Owner <= 4;
            if (counted) {
                ++CellCount[cell.Owner];
                // A cell beside a gray spot (left or right only) draws energy from it.
                if (Grid(x - 1, y).Owner == GraySpot || Grid(x + 1, y).Owner == GraySpot)
                    SpotBonus[cell.Owner] += 2;
            }

            // Ageing: vitality runs down; once spent, the colony slowly decays,
            // though never below strength 2.
            if (cell.Vitality > 0) {
                if (Random(10) >= 7) --cell.Vitality;
            } else if (cell.Owner != Empty) {
                if (Random(10) >= 6) {
                    const int r = 2 + Random(2);
                    if (cell.Strength > r) --cell.Strength;
                }
            }

            if (staged.Strength > 0) cell.Strength = staged.Strength;
            // A gray spot never changes hands, although its strength may change.
            if (staged.Owner > 0 && cell.Owner != GraySpot) {
                if (cell.Owner != staged.Owner)
                    cell.Vitality = static_cast<uint8_t>((VitalityBase - 1) + Random(VitalityBase - 1));
                cell.Owner = staged.Owner;
            }
        }
    }
}

void TGame::CloseGeneration() {
    BandStart = 101;
    CellCount.fill(0);
    SpotBonus.fill(0);
    ApplyGeneration();

    Screen.LBL_Action.Caption = "RED : " + std::to_string(CellCount[Red] / 100) +
                                "% <-> BLUE : " + std::to_string(CellCount[Blue] / 100) + "%";

    Energy[Blue] += CellCount[Blue] / 400;
    Energy[Red] += CellCount[Red] / 400;
    Energy[Blue] += SpotBonus[Blue];
    Energy[Red] += SpotBonus[Red];

    // The computer strikes back with an offensive global injection once the
    // human holds a large share, more and more likely as the match drags on.
    const int32_t a = Random(10);
    if (CellCount[Blue] / 100 >= 35 + a) {
        const int64_t t = MatchTime / 1000;
        const int64_t r = Random(10000) + 1000;
        if (r < t * (t / 4) + 1) {
            const int slot = Random(10) < 5 ? 1 : 2;
            const uint8_t kind = GlobalInjection[Red][static_cast<size_t>(slot)];
            // The inverter and the defender are kept for the computer's own defence.
            if (kind < 4) {
                FireGlobalInjection(Red, kind);
                GlobalInjection[Red][static_cast<size_t>(slot)] = 0;
            }
        }
    }

    if (AIRating > 1000) Energy[Red] += AIRating / 200;

    Screen.RxLabel1.Caption = std::to_string(Energy[Red]) + "/" + std::to_string(Energy[Blue]);

    FeedTubes();
    ClearNextGrid();
}
