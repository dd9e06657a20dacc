#include "BoardColours.h"

namespace {

// One channel of the tint blended over a channel beneath, rounded.
constexpr int TintChannel(int tint, int under) {
    return (tint * TintOpacity + under * (255 - TintOpacity) + 127) / 255;
}

TArgb CellOrBack(const TCell& cell) {
    TArgb c;
    return CellColour(cell, c) ? c : BoardBackColour;
}

// Every colour a cell can take, plain and tinted, looked up by owner class
// (0 Empty, 1 Blue, 2 Red, 3 GraySpot, 4 not painted) and strength.
struct TColourTable {
    TArgb Plain[5][256];
    TArgb Tint[5][256];
    uint8_t Class[256];

    TArgb Pixel(const TCell& cell, bool tinted) const {
        const uint8_t k = Class[cell.Owner];
        return tinted ? Tint[k][cell.Strength] : Plain[k][cell.Strength];
    }

    TColourTable() {
        const uint8_t owners[4] = {Empty, Blue, Red, GraySpot};
        for (int o = 0; o < 256; ++o) Class[o] = 4;
        for (int k = 0; k < 4; ++k) Class[owners[k]] = static_cast<uint8_t>(k);
        for (int k = 0; k < 5; ++k)
            for (int s = 0; s < 256; ++s) {
                TCell cell;
                cell.Owner = k < 4 ? owners[k] : uint8_t{7};
                cell.Strength = static_cast<uint8_t>(s);
                Plain[k][s] = CellOrBack(cell);
                Tint[k][s] = Tinted(Plain[k][s]);
            }
    }
};

const TColourTable& Colours() {
    static const TColourTable table;
    return table;
}

}  // namespace

TArgb Tinted(TArgb under) {
    return Argb(TintChannel(ArgbRed(TintColour), ArgbRed(under)),
                TintChannel(ArgbGreen(TintColour), ArgbGreen(under)),
                TintChannel(ArgbBlue(TintColour), ArgbBlue(under)));
}

TArgb CellPixel(const TCell& cell, bool tinted) { return Colours().Pixel(cell, tinted); }

void MagnifiedCellColours(const TGrid& grid, bool tint, TMagnifiedCells& cells, int firstRow, int lastRow) {
    const TColourTable& t = Colours();
    constexpr int TintCol = TintLeft / MagnifierScale;
    const int tintFrom = tint ? TintCol : MagnifiedCols;
    const TArgb back = BoardBackColour;
    const TArgb backTinted = Tinted(back);
    for (int cy = std::max(0, firstRow); cy <= std::min(lastRow, MagnifiedRows - 1); ++cy) {
        TArgb* row = cells.data() + cy * MagnifiedCols;
        const bool playRow = cy >= 1 && cy <= BoardHeight;
        for (int cx = 0; cx < MagnifiedCols; ++cx) {
            const bool tinted = cx >= tintFrom;
            if (playRow && cx >= 1 && cx <= BoardWidth)
                row[cx] = t.Pixel(grid(cx, cy), tinted);
            else
                row[cx] = tinted ? backTinted : back;
        }
    }
}
