// The pointer over the magnified board: the drop test, the read-out, the end
// of a drag with its injection and what it consumes, and the drag pulse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "TGame.h"
#include "VirtualHost.h"

namespace {

struct TBoard {
    VirtualHost Host;
    TGame Game{Host};
    TBoard() {
        Game.TimerTaller.SetEnabled(false);
        Game.Rng.Seed(7);
        for (int j = 1; j <= 5; ++j) Game.Tube[1][j] = {5, 250};
    }
    void Set(int x, int y, uint8_t owner, uint8_t strength = 1) {
        Game.Grid(x, y).Owner = owner;
        Game.Grid(x, y).Strength = strength;
    }
    bool Over(int x, int y) { return Game.DIBMagnifier1DragOver(true, true, x, y); }
    // A whole drag: start, one drag-over at (x, y), release there on the view.
    bool Drop(int tag, int x, int y) {
        Game.Bac1_1StartDrag(tag);
        const bool accepted = Over(x, y);
        Game.Bac1_1EndDrag(tag, true, x, y);
        return accepted;
    }
    int CountOwned(uint8_t owner) {
        int n = 0;
        for (int x = 0; x < GridSize; ++x)
            for (int y = 0; y < GridSize; ++y)
                if (Game.Grid(x, y).Owner == owner) ++n;
        return n;
    }
};

}  // namespace

// In the free band 301..399 any cell takes a drop; 300 and 400 lie outside it.
TEST(DropTest, TheFreeBandAcceptsAnyCell) {
    TBoard b;
    b.Set(75, 10, Red);
    b.Set(87, 20, GraySpot, 3);
    for (int y : {0, 40, 80, 200, 407}) {
        for (int x : {301, 350, 399}) EXPECT_TRUE(b.Over(x, y)) << x << "," << y;
    }
    EXPECT_TRUE(b.Over(301, 42));  // the red cell (75, 10)
    EXPECT_TRUE(b.Over(350, 82));  // the gray cell (87, 20)
    EXPECT_FALSE(b.Over(300, 200));
    EXPECT_FALSE(b.Over(400, 200));
}

// Outside the band only a blue cell takes a drop, and never at X of 50 or less.
TEST(DropTest, ElsewhereOnlyOwnCellsAndNeverAtFiftyOrLess) {
    TBoard b;
    b.Set(62, 11, Blue);   // X 248..251
    b.Set(63, 11, Red);    // X 252..255
    b.Set(64, 11, GraySpot, 2);
    b.Set(75, 30, Blue);   // X 300..303: 300 is outside the band, on a blue cell
    b.Set(100, 30, Blue);  // X 400..403
    b.Set(12, 50, Blue);   // X 48..51
    b.Set(10, 50, Blue);   // X 40..43
    EXPECT_TRUE(b.Over(250, 45));
    EXPECT_FALSE(b.Over(253, 45));
    EXPECT_FALSE(b.Over(257, 45));
    EXPECT_FALSE(b.Over(250, 41));  // the empty cell above
    EXPECT_TRUE(b.Over(300, 121));
    EXPECT_TRUE(b.Over(401, 121));
    EXPECT_FALSE(b.Over(40, 201));
    EXPECT_FALSE(b.Over(50, 201));
    EXPECT_TRUE(b.Over(51, 201));
}

// Anything but a sprite image, or an event not from the view, is refused even
// in the free band; the verdict is stored for the drag end each time.
TEST(DropTest, RefusesAnythingButASpriteAndRecordsTheVerdict) {
    TBoard b;
    EXPECT_TRUE(b.Over(350, 100));
    EXPECT_TRUE(b.Game.DropAccepted[1]);
    EXPECT_FALSE(b.Game.DIBMagnifier1DragOver(false, true, 350, 100));
    EXPECT_FALSE(b.Game.DropAccepted[1]);
    EXPECT_TRUE(b.Over(350, 100));
    EXPECT_FALSE(b.Game.DIBMagnifier1DragOver(true, false, 350, 100));
    EXPECT_FALSE(b.Game.DropAccepted[1]);
    EXPECT_FALSE(b.Game.DropAccepted[2]);
}

// The view's bottom three pixel rows give row 102, read as an empty cell: a
// drop there is refused outside the band, and the read-out shows strength 0.
TEST(DropTest, TheRowBelowTheGridReadsAsEmpty) {
    TBoard b;
    for (int x = 1; x <= 100; ++x) b.Set(x, 101, Blue, 9);  // even a (corrupt) border row
    EXPECT_FALSE(b.Over(250, 408));
    EXPECT_FALSE(b.Over(250, 410));
    EXPECT_TRUE(b.Over(350, 410));
    b.Game.DIBMagnifier1MouseMove(250, 410);
    EXPECT_EQ(b.Game.Screen.RxLabel1.Caption, "Sector : 250-410 Strength=0");
}

// The read-out shows the pointer's view pixels and the strength of the cell
// under it, whatever its owner.
TEST(ReadOut, ShowsViewPixelsAndTheCellStrength) {
    TBoard b;
    b.Set(30, 11, Red, 3);
    b.Game.DIBMagnifier1MouseMove(123, 45);
    EXPECT_EQ(b.Game.Screen.RxLabel1.Caption, "Sector : 123-45 Strength=3");
    b.Set(0, 0, Empty, 0);
    b.Game.DIBMagnifier1MouseMove(0, 0);
    EXPECT_EQ(b.Game.Screen.RxLabel1.Caption, "Sector : 0-0 Strength=0");
    b.Set(50, 50, GraySpot, 2);
    b.Game.DIBMagnifier1MouseMove(203, 200);
    EXPECT_EQ(b.Game.Screen.RxLabel1.Caption, "Sector : 203-200 Strength=2");
}

// An accepted drop injects the tube's bacterium as a blue square centred on
// the cell under the pointer, plays the injection sound, empties the tube
// (size 0, 50 to grow) and sets its icon back to opacity 200.
TEST(DragEnd, AnAcceptedDropInjectsAndEmptiesTheTube) {
    TBoard b;
    b.Game.Screen.bac1_3.Opacity = 130;
    EXPECT_TRUE(b.Drop(3, 350, 201));  // cell (87, 50)
    EXPECT_EQ(b.CountOwned(Blue), 81);
    for (int x = 83; x <= 91; ++x)
        for (int y = 46; y <= 54; ++y) {
            const int ring = std::max(std::abs(x - 87), std::abs(y - 50));
            EXPECT_EQ(b.Game.Grid(x, y).Owner, Blue);
            EXPECT_EQ(b.Game.Grid(x, y).Strength, 5 - ring);
        }
    ASSERT_EQ(b.Host.Sounds.size(), 1u);
    EXPECT_EQ(b.Host.Sounds[0].List, TWaveList::P1wav);
    EXPECT_EQ(b.Host.Sounds[0].Index, 0);
    EXPECT_EQ(b.Game.Tube[1][3].Size, 0);
    EXPECT_EQ(b.Game.Tube[1][3].Growth, 50);
    EXPECT_EQ(b.Game.Screen.bac1_3.Opacity, 200);
    for (int j : {1, 2, 4, 5}) EXPECT_EQ(b.Game.Tube[1][j].Size, 5);
    for (bool a : b.Game.DropAccepted) EXPECT_FALSE(a);
    EXPECT_EQ(b.Game.DraggedTag, 0);
}

// Each tag empties its own tube: tags 1..5 are tubes 1..5 with their icons.
TEST(DragEnd, EachTagEmptiesItsOwnTube) {
    for (int tag = 1; tag <= 5; ++tag) {
        TBoard b;
        b.Game.Tube[1][tag].Size = 3;
        for (int j = 1; j <= 5; ++j) b.Game.Screen.HumanTubeIcon(j).Opacity = 90;
        b.Drop(tag, 350, 200);
        EXPECT_EQ(b.CountOwned(Blue), 25) << tag;  // size 3: 5 x 5
        for (int j = 1; j <= 5; ++j) {
            EXPECT_EQ(b.Game.Tube[1][j].Size, j == tag ? 0 : 5) << tag << "/" << j;
            EXPECT_EQ(b.Game.Screen.HumanTubeIcon(j).Opacity, j == tag ? 200 : 90) << tag;
        }
    }
}

// A refused drop, or a release away from the view, injects nothing and
// consumes nothing, but still clears every verdict.
TEST(DragEnd, ARefusedDropChangesNothingButTheVerdicts) {
    TBoard b;
    EXPECT_FALSE(b.Drop(1, 250, 200));  // empty cell outside the band
    EXPECT_FALSE(b.Drop(2, 40, 200));
    EXPECT_EQ(b.CountOwned(Blue), 0);
    EXPECT_TRUE(b.Host.Sounds.empty());
    EXPECT_EQ(b.Game.Tube[1][1].Size, 5);
    EXPECT_EQ(b.Game.Tube[1][2].Size, 5);

    // Accepted while over the view, then released elsewhere.
    b.Game.Bac1_1StartDrag(4);
    EXPECT_TRUE(b.Over(350, 200));
    b.Game.DropAccepted[2] = true;
    b.Game.Bac1_1EndDrag(4, false, 350, 200);
    EXPECT_EQ(b.CountOwned(Blue), 0);
    EXPECT_EQ(b.Game.Tube[1][4].Size, 5);
    for (bool a : b.Game.DropAccepted) EXPECT_FALSE(a);
    EXPECT_EQ(b.Game.DraggedTag, 0);
}

// The drop cell is clamped on each axis (above 100 to 99); a row of 99 or
// more is injected five rows higher, at 94.
TEST(DragEnd, TheDropCellIsClampedAndLiftedFromTheBottom) {
    struct TCase {
        int X, Y;
        int Col, Row;  // the centre that must hold the full strength
    };
    const std::vector<TCase> cases = {
        {350, 399, 87, 94},   // row 99 -> 94
        {350, 403, 87, 95},   // row 100 -> 95
        {350, 410, 87, 94},   // row 102 -> clamped 99 -> 94
        {399, 98 * 4, 99, 98},  // row 98 stays
        {350, 0, 87, 0},      // row 0 is kept (below 0 only is raised)
    };
    for (const TCase& c : cases) {
        TBoard b;
        b.Game.Tube[1][1].Size = 4;
        b.Drop(1, c.X, c.Y);
        if (c.Row >= 1) {
            EXPECT_EQ(b.Game.Grid(c.Col, c.Row).Owner, Blue) << c.X << "," << c.Y;
            EXPECT_EQ(b.Game.Grid(c.Col, c.Row).Strength, 4) << c.X << "," << c.Y;
        } else {
            // Centred on the border row: only rings 1..3 below it reach the board.
            EXPECT_EQ(b.Game.Grid(c.Col, 1).Strength, 3);
            EXPECT_EQ(b.Game.Grid(c.Col, 0).Owner, Empty);
        }
    }
    // A blue cell at column 101 of the view (X 404..407) is clamped to column 99.
    TBoard b;
    b.Game.Tube[1][2].Size = 2;
    b.Set(101, 50, Blue, 1);  // lets the drop test accept outside the band
    EXPECT_TRUE(b.Drop(2, 405, 201));
    EXPECT_EQ(b.Game.Grid(99, 50).Strength, 2);
    EXPECT_EQ(b.Game.Grid(100, 50).Strength, 1);
    EXPECT_EQ(b.Game.Grid(98, 50).Strength, 1);
}

// A tube of size 0 dropped again before its icon is refreshed injects nothing
// but still plays the sound and sets its growth back to 50.
TEST(DragEnd, AnEmptyTubeInjectsNothingButStillCounts) {
    TBoard b;
    b.Game.Tube[1][5] = {0, 20};
    EXPECT_TRUE(b.Drop(5, 350, 200));
    EXPECT_EQ(b.CountOwned(Blue), 0);
    EXPECT_EQ(b.Host.Sounds.size(), 1u);
    EXPECT_EQ(b.Game.Tube[1][5].Growth, 50);
}

// The super bacterium (tag 6) injects its size, 12 at first (23 x 23), then
// comes back as size 15 (29 x 29), charge 0, opacity 10 and disabled.
TEST(DragEnd, TheSuperBacteriumGrowsAfterUse) {
    TBoard b;
    b.Game.SuperSize[1] = 12;
    b.Game.SuperCharge[1] = 1001;
    b.Game.Screen.bac1_S.Enabled = true;
    b.Game.Screen.bac1_S.Opacity = 255;
    EXPECT_TRUE(b.Drop(6, 350, 200));  // (87, 50)
    EXPECT_EQ(b.CountOwned(Blue), 23 * 23);  // columns 76..98, rows 39..61
    EXPECT_EQ(b.Game.Grid(87, 50).Strength, 12);
    EXPECT_EQ(b.Game.SuperSize[1], 15);
    EXPECT_EQ(b.Game.SuperCharge[1], 0);
    EXPECT_EQ(b.Game.Screen.bac1_S.Opacity, 10);
    EXPECT_FALSE(b.Game.Screen.bac1_S.Enabled);
    for (int j = 1; j <= 5; ++j) EXPECT_EQ(b.Game.Tube[1][j].Size, 5);

    TBoard c;
    c.Game.SuperSize[1] = 15;
    c.Set(50, 50, Blue);
    EXPECT_TRUE(c.Drop(6, 201, 201));  // (50, 50): 29 x 29, columns and rows 36..64
    EXPECT_EQ(c.CountOwned(Blue), 29 * 29);
    EXPECT_EQ(c.Game.Grid(36, 36).Strength, 1);
    EXPECT_EQ(c.Game.Grid(50, 50).Strength, 15);
}

// While tube 1's icon is dragged the clock pulses its opacity (DragPulse div
// 3) x 20 + 50 over a cycle of 26 ticks; other icons never pulse.
TEST(DragPulse, OnlyTubeOneIconPulsesWhileDragged) {
    TBoard b;
    b.Game.Screen.Bac1_1.Opacity = 200;
    b.Game.TimerTallerTimer();
    EXPECT_EQ(b.Game.Screen.Bac1_1.Opacity, 200);  // not dragged

    b.Game.Bac1_1StartDrag(2);
    for (int i = 0; i < 30; ++i) b.Game.TimerTallerTimer();
    EXPECT_EQ(b.Game.Screen.Bac1_1.Opacity, 200);
    EXPECT_EQ(b.Game.Screen.bac1_2.Opacity, 200);
    b.Game.Bac1_1EndDrag(2, false, 0, 0);

    b.Game.DragPulse = 0;
    b.Game.Bac1_1StartDrag(1);
    std::vector<int> seen;
    for (int i = 0; i < 27; ++i) {
        b.Game.TimerTallerTimer();
        seen.push_back(b.Game.Screen.Bac1_1.Opacity);
    }
    const std::vector<int> expected = {50,  50,  70,  70,  70,  90,  90,  90,  110,
                                       110, 110, 130, 130, 130, 150, 150, 150, 170,
                                       170, 170, 190, 190, 190, 210, 210, 210, 50};
    EXPECT_EQ(seen, expected);
    b.Game.Bac1_1EndDrag(1, false, 0, 0);
    b.Game.TimerTallerTimer();
    EXPECT_EQ(b.Game.Screen.Bac1_1.Opacity, 50);  // the pulse stops where it was
}
