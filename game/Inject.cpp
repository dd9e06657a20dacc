// Injection: a square colony written into the grid around a point, strongest in
// the centre and one weaker per ring. Gray cells are never overwritten.
#include <cstdint>

#include "TGame.h"

void TGame::Inject(int32_t radius, int32_t owner, int32_t x, int32_t y, int32_t strength) {
    if (owner == Blue)
        Host.PlaySound(TWaveList::P1wav, 0);
    else if (owner == Red)
        Host.PlaySound(TWaveList::P2wav, 0);

    // Near the bottom edge the colony is lifted so that most of it lands on the board.
    if (y > 98) y -= 5;

    const int64_t cx = x;
    const int64_t cy = y;
    auto write = [&](int64_t col, int64_t row, int64_t ringStrength) {
        if (col < 1 || col > BoardWidth || row < 1 || row > BoardHeight) return;
        TCell& c = Grid(static_cast<int>(col), static_cast<int>(row));
        if (c.Owner >= 250) return;
        c.Owner = static_cast<uint8_t>(owner);
        c.Strength = static_cast<uint8_t>(ringStrength);
        // Vitality from the full strength of the injection, drawn anew per write.
        const int64_t draw = Random(VitalityBase);
        c.Vitality = static_cast<uint8_t>((draw + strength) * 2);
    };

    for (int64_t i = 0; i <= radius; ++i) {
        const int64_t ringStrength = static_cast<int64_t>(strength) - i;
        if (ringStrength <= 0) break;
        if (i == 0) {
            write(cx, cy, ringStrength);
            continue;
        }
        // A ring wholly outside the playfield, and every ring beyond it, writes nothing.
        if (cx - i < 1 && cx + i > BoardWidth && cy - i < 1 && cy + i > BoardHeight) break;
        // Top row, bottom row, left column, right column: the corners come twice.
        for (int64_t col = cx - i; col <= cx + i; ++col) write(col, cy - i, ringStrength);
        for (int64_t col = cx - i; col <= cx + i; ++col) write(col, cy + i, ringStrength);
        for (int64_t row = cy - i; row <= cy + i; ++row) write(cx - i, row, ringStrength);
        for (int64_t row = cy - i; row <= cy + i; ++row) write(cx + i, row, ringStrength);
    }
}
