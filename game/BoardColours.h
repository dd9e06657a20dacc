// The colours the culture grid is shown in, as 32-bit ARGB values
// (0xAARRGGBB, alpha always opaque), and the magnified view's cells with the
// blue tint of the free-drop band. Plain C++, so the window and the browser
// draw the board from the same numbers.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "TGame.h"

using TArgb = uint32_t;

constexpr TArgb Argb(int r, int g, int b) {
    return 0xFF000000u | (static_cast<TArgb>(r & 0xFF) << 16) | (static_cast<TArgb>(g & 0xFF) << 8) |
           static_cast<TArgb>(b & 0xFF);
}
constexpr int ArgbRed(TArgb c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr int ArgbGreen(TArgb c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int ArgbBlue(TArgb c) { return static_cast<int>(c & 0xFF); }

// The board image's own picture "Back", seen where no cell is painted.
constexpr TArgb BoardBackColour = 0xFF010101u;

// The colour a cell is shown in. Blue and Red brighten by 16 a step up to
// strength 11 and stay in that shade above it; gray spots brighten by 5 a step
// up to white. Returns false for an owner code that is not painted.
inline bool CellColour(const TCell& cell, TArgb& colour) {
    const int s = cell.Strength;
    switch (cell.Owner) {
        case Empty:
            colour = 0xFF000000u;
            return true;
        case Blue:
            colour = Argb(0, 0, 64 + 16 * std::min(s, 11));
            return true;
        case Red:
            colour = Argb(64 + 16 * std::min(s, 11), 0, 0);
            return true;
        case GraySpot: {
            const int g = std::min(102 + 5 * s, 255);
            colour = Argb(g, g, g);
            return true;
        }
        default:
            return false;
    }
}

// The magnified view's geometry and the band the blue tint covers.
constexpr int MagnifierWidth = 408;
constexpr int MagnifierHeight = 411;
constexpr int MagnifierScale = 4;
constexpr int TintLeft = 300;  // view x where `DIBImage8`'s tint begins
constexpr int TintOpacity = 100;
constexpr TArgb TintColour = 0xFF0000C0u;  // "bbk"

// `bbk` at opacity 100 over a colour, as the tint image blends.
TArgb Tinted(TArgb under);

// The pixel a cell paints, from a table of every owner and strength: the
// cell's colour, or "Back" for an owner code that is not painted; `tinted`
// blends the tint over it.
TArgb CellPixel(const TCell& cell, bool tinted);

// The magnified view in cells: 102 columns by 103 rows (the last one only
// three pixels high), each the colour its 4 x 4 block is painted in. Only the
// cell rows firstRow..lastRow are filled in; the others keep what they held.
constexpr int MagnifiedCols = MagnifierWidth / MagnifierScale;
constexpr int MagnifiedRows = (MagnifierHeight + MagnifierScale - 1) / MagnifierScale;
using TMagnifiedCells = std::array<TArgb, MagnifiedCols * MagnifiedRows>;
void MagnifiedCellColours(const TGrid& grid, bool tint, TMagnifiedCells& cells, int firstRow = 0,
                          int lastRow = MagnifiedRows - 1);
