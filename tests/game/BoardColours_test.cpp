// The colours of the board that both front ends draw: the cell rule, the tint
// of the free-drop band and the magnified view's cells, as ARGB values.
#include <gtest/gtest.h>

#include "BoardColours.h"
#include "TGame.h"
#include "VirtualHost.h"

namespace {

TCell Cell(uint8_t owner, uint8_t strength) {
    TCell c;
    c.Owner = owner;
    c.Strength = strength;
    return c;
}

TArgb ColourOf(uint8_t owner, uint8_t strength) {
    TArgb c = 0;
    EXPECT_TRUE(CellColour(Cell(owner, strength), c));
    return c;
}

}  // namespace

// Blue and Red brighten 16 a step up to strength 11, gray 5 a step up to white.
TEST(BoardColours, CellColourFollowsOwnerAndStrength) {
    EXPECT_EQ(ColourOf(Empty, 9), 0xFF000000u);
    EXPECT_EQ(ColourOf(Blue, 3), 0xFF000070u);
    EXPECT_EQ(ColourOf(Red, 3), 0xFF700000u);
    EXPECT_EQ(ColourOf(GraySpot, 2), 0xFF707070u);
    EXPECT_EQ(ColourOf(Blue, 11), 0xFF0000F0u);
    EXPECT_EQ(ColourOf(Blue, 200), 0xFF0000F0u);
    EXPECT_EQ(ColourOf(Red, 12), 0xFFF00000u);
    EXPECT_EQ(ColourOf(GraySpot, 40), 0xFFFFFFFFu);
    TArgb c = 0x12345678u;
    EXPECT_FALSE(CellColour(Cell(3, 5), c));
    EXPECT_EQ(c, 0x12345678u);
    // Not painted: the picture beneath, plain or tinted.
    EXPECT_EQ(CellPixel(Cell(250, 5), false), BoardBackColour);
    EXPECT_EQ(CellPixel(Cell(250, 5), true), Tinted(BoardBackColour));
    EXPECT_EQ(CellPixel(Cell(Red, 3), false), 0xFF700000u);
}

// "bbk" (0, 0, 192) at opacity 100 of 255 over the colour beneath, rounded.
TEST(BoardColours, TintBlendsBlueOverTheColourBeneath) {
    EXPECT_EQ(Tinted(0xFF000070u), 0xFF00008Fu);  // (192*100 + 112*155 + 127) / 255 = 143
    EXPECT_EQ(Tinted(BoardBackColour), 0xFF01014Cu);
    EXPECT_EQ(Tinted(0xFFFFFFFFu), 0xFF9B9BE6u);
    EXPECT_EQ(CellPixel(Cell(Blue, 3), true), 0xFF00008Fu);
}

// 102 x 103 cells: the playfield at its indexes, "Back" round it and in the
// three-pixel row at the bottom, the tint from view x 300 (cell column 75) on.
TEST(BoardColours, MagnifiedCellsShowThePlayfieldBackAndTint) {
    VirtualHost host;
    TGame g(host);
    g.ClearGrid();
    g.Grid(74, 10) = Cell(Blue, 3);
    g.Grid(75, 10) = Cell(Blue, 3);
    g.Grid(100, 100) = Cell(Red, 3);
    g.Grid(1, 1) = Cell(GraySpot, 2);
    ASSERT_EQ(MagnifiedCols, 102);
    ASSERT_EQ(MagnifiedRows, 103);
    const auto at = [](const TMagnifiedCells& c, int x, int y) { return c[static_cast<size_t>(y * MagnifiedCols + x)]; };

    TMagnifiedCells plain;
    MagnifiedCellColours(g.Grid, false, plain);
    EXPECT_EQ(at(plain, 74, 10), 0xFF000070u);
    EXPECT_EQ(at(plain, 75, 10), 0xFF000070u);
    EXPECT_EQ(at(plain, 100, 100), 0xFF700000u);
    EXPECT_EQ(at(plain, 1, 1), 0xFF707070u);
    EXPECT_EQ(at(plain, 50, 50), 0xFF000000u);
    for (int i = 0; i < 102; ++i) {
        EXPECT_EQ(at(plain, i, 0), BoardBackColour);
        EXPECT_EQ(at(plain, 0, i), BoardBackColour);
        EXPECT_EQ(at(plain, 101, i), BoardBackColour);
        EXPECT_EQ(at(plain, i, 101), BoardBackColour);
        EXPECT_EQ(at(plain, i, 102), BoardBackColour);
    }

    TMagnifiedCells tinted;
    MagnifiedCellColours(g.Grid, true, tinted);
    EXPECT_EQ(at(tinted, 74, 10), 0xFF000070u);
    EXPECT_EQ(at(tinted, 75, 10), 0xFF00008Fu);
    EXPECT_EQ(at(tinted, 100, 100), Tinted(0xFF700000u));
    EXPECT_EQ(at(tinted, 101, 5), Tinted(BoardBackColour));
    EXPECT_EQ(at(tinted, 80, 102), Tinted(BoardBackColour));
    EXPECT_EQ(at(tinted, 74, 102), BoardBackColour);

    // Only the rows asked for are filled in.
    TMagnifiedCells part;
    part.fill(0x11111111u);
    MagnifiedCellColours(g.Grid, false, part, 10, 11);
    EXPECT_EQ(at(part, 74, 10), 0xFF000070u);
    EXPECT_EQ(at(part, 50, 11), 0xFF000000u);
    EXPECT_EQ(at(part, 74, 9), 0x11111111u);
    EXPECT_EQ(at(part, 74, 12), 0x11111111u);
}
