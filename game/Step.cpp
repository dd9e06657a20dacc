// The growth-and-battle step: one band of 20 rows per tick, staged in NextGrid,
// and a generation close every fifth tick that applies the staged changes, ages
// every cell, counts the board and pays both colonies their energy.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "TGame.h"

namespace {

// Strength a cell contributes to one owner's 3 x 3 sum: its strength when it
// belongs to that owner, otherwise nothing (empty cells and gray spots count
// for nobody). A mask per owner code keeps the test free of branches, which
// matters along a front line where owners alternate unpredictably.
struct TOwnerMasks {
    uint8_t Blue[256];
    uint8_t Red[256];
};
constexpr TOwnerMasks MakeOwnerMasks() {
    TOwnerMasks m{};
    m.Blue[Blue] = 0xFF;
    m.Red[Red] = 0xFF;
    return m;
}
constexpr TOwnerMasks OwnerMasks = MakeOwnerMasks();

// The three rules for one cell, given the Blue and Red sums of its 3 x 3 block.
// Reads the cell from Grid, writes only its own NextGrid entry; draws from `rng`.
inline void EvaluateCell(TGame& g, TRandom& rng, int x, int y, int blueSum, int redSum) {
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
            if (rng.Below(3 * s + 10) <= 1) staged.Strength = static_cast<uint8_t>(s + 1);
        }
    } else if (W >= 9) {
        // Attack: the defender loses one strength half the time; when nothing is
        // left of it (the blow missed, or it was down to 1) it falls to the attacker.
        if (rng.Below(10) >= 5) staged.Strength = static_cast<uint8_t>(s - 1);
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
    if (top > bottom) return;
    // The band draws from a local copy of the generator, handed back at the end:
    // the same numbers in the same order, but kept in registers while cells are written.
    TRandom rng = Rng;
    // Each cell's Blue and Red strength for the three rows around the current
    // one (a ring of three row slots), then per column the sum of those three.
    int rowBlue[3][GridSize];
    int rowRed[3][GridSize];
    int columnBlue[GridSize];
    int columnRed[GridSize];
    auto loadRow = [&](int slot, int y) {
        const TCell* row = &Grid(0, y);
        for (int x = 0; x < GridSize; ++x) {
            rowBlue[slot][x] = row[x].Strength & OwnerMasks.Blue[row[x].Owner];
            rowRed[slot][x] = row[x].Strength & OwnerMasks.Red[row[x].Owner];
        }
    };
    loadRow(0, top - 1);
    loadRow(1, top);
    for (int y = top; y <= bottom; ++y) {
        loadRow((y - top + 2) % 3, y + 1);
        for (int x = 0; x < GridSize; ++x) {
            columnBlue[x] = rowBlue[0][x] + rowBlue[1][x] + rowBlue[2][x];
            columnRed[x] = rowRed[0][x] + rowRed[1][x] + rowRed[2][x];
        }
        for (int x = 1; x <= BoardWidth; ++x) {
            const int blueSum = columnBlue[x - 1] + columnBlue[x] + columnBlue[x + 1];
            const int redSum = columnRed[x - 1] + columnRed[x] + columnRed[x + 1];
            EvaluateCell(*this, rng, x, y, blueSum, redSum);
        }
    }
    Rng = rng;
}

void TGame::ApplyGeneration() {
    // Generator and tallies are worked on as local copies and handed back at the
    // end: the same results, but they stay in registers while cells are written.
    TRandom rng = Rng;
    std::array<int32_t, 5> count = CellCount;
    std::array<int32_t, 5> bonus = SpotBonus;
    for (int x = 1; x <= BoardWidth; ++x) {
        TCell* column = &Grid(x, 1);
        const TCell* stagedColumn = &NextGrid(x, 1);
        for (int y = 0; y < BoardHeight; ++y) {
            TCell& cell = column[y * GridSize];
            const uint8_t stagedOwner = stagedColumn[y * GridSize].Owner;
            const uint8_t stagedStrength = stagedColumn[y * GridSize].Strength;
            const uint8_t owner = cell.Owner;

            // Census of the owner the cell held during this generation (owners 1..4).
            if (owner >= 1 && owner <= 4) {
                ++count[owner];
                // A cell beside a gray spot (left or right only) draws energy from it.
                if (column[y * GridSize - 1].Owner == GraySpot || column[y * GridSize + 1].Owner == GraySpot)
                    bonus[owner] += 2;
            }

            // Ageing: vitality runs down; once spent, the colony slowly decays,
            // though never below strength 2.
            if (cell.Vitality > 0) {
                cell.Vitality = static_cast<uint8_t>(cell.Vitality - (rng.Below(10) >= 7 ? 1 : 0));
            } else if (owner != Empty) {
                if (rng.Below(10) >= 6) {
                    const int r = 2 + rng.Below(2);
                    if (cell.Strength > r) --cell.Strength;
                }
            }

            if (stagedStrength > 0) cell.Strength = stagedStrength;
            // A gray spot never changes hands, although its strength may change.
            if (stagedOwner > 0 && owner != GraySpot) {
                if (owner != stagedOwner)
                    cell.Vitality = static_cast<uint8_t>((VitalityBase - 1) + rng.Below(VitalityBase - 1));
                cell.Owner = stagedOwner;
            }
        }
    }
    Rng = rng;
    CellCount = count;
    SpotBonus = bonus;
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
