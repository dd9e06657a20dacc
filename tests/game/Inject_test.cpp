// Injection footprints: rings, edges, the lift near the bottom row, gray cells,
// the sounds and one vitality draw per write; and the label helper TextBetween.
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "BoardTestSupport.h"
#include "TGame.h"
#include "VirtualHost.h"

using namespace boardtest;

namespace {

class InjectTest : public testing::Test {
protected:
    void SetUp() override { g.Rng.Seed(4242); }
    VirtualHost host;
    TGame g{host};
};

// Checks that exactly the square of half-side r around (cx, cy), cut to the
// playfield, holds `owner` with strength `strength` minus the ring number, and
// that every other playfield cell is still empty.
void ExpectSquare(const TGame& g, int cx, int cy, int r, uint8_t owner, int strength) {
    for (int y = 0; y < GridSize; ++y)
        for (int x = 0; x < GridSize; ++x) {
            const TCell& c = g.Grid(x, y);
            const int ring = std::max(std::abs(x - cx), std::abs(y - cy));
            const bool inside = ring <= r && x >= 1 && x <= 100 && y >= 1 && y <= 100;
            if (inside) {
                ASSERT_EQ(c.Owner, owner) << x << "," << y;
                ASSERT_EQ(c.Strength, strength - ring) << x << "," << y;
            } else {
                ASSERT_EQ(c.Owner, Empty) << x << "," << y;
                ASSERT_EQ(c.Strength, 0) << x << "," << y;
            }
        }
}

}  // namespace

// A bacterium of size s covers (2s - 1) x (2s - 1) cells, strength s in the centre down to 1.
TEST_F(InjectTest, ASizeFiveBacteriumFillsANineByNineSquareFallingByOnePerRing) {
    g.Inject(5, Blue, 50, 50, 5);
    ExpectSquare(g, 50, 50, 4, Blue, 5);
    // Vitality (Random(7) + 5) x 2: even, 10..22.
    for (int y = 46; y <= 54; ++y)
        for (int x = 46; x <= 54; ++x) {
            const int v = g.Grid(x, y).Vitality;
            EXPECT_EQ(v % 2, 0);
            EXPECT_GE(v, 10);
            EXPECT_LE(v, 22);
        }
    ASSERT_EQ(host.Sounds.size(), 1u);
    EXPECT_EQ(host.Sounds[0].List, TWaveList::P1wav);
    EXPECT_EQ(host.Sounds[0].Index, 0);
}

// The footprint is limited by whichever is smaller, the radius or the strength less one.
TEST_F(InjectTest, TheRadiusAndTheStrengthBothLimitTheFootprint) {
    g.Inject(2, Red, 50, 50, 5);
    ExpectSquare(g, 50, 50, 2, Red, 5);
    g.ClearGrid();
    g.Inject(10, Red, 30, 30, 3);
    ExpectSquare(g, 30, 30, 2, Red, 3);
    ASSERT_EQ(host.Sounds.size(), 2u);
    EXPECT_EQ(host.Sounds[1].List, TWaveList::P2wav);
    EXPECT_EQ(host.Sounds[1].Index, 0);
}

// Near the edges the square is cut at the playfield border; the column is never moved.
TEST_F(InjectTest, AnInjectionAtTheEdgeIsCutOffAtThePlayfieldBorder) {
    g.Inject(5, Red, 1, 1, 5);
    ExpectSquare(g, 1, 1, 4, Red, 5);
    EXPECT_TRUE(BorderIsClear(g.Grid));
    g.ClearGrid();
    g.Inject(5, Blue, 100, 40, 5);
    ExpectSquare(g, 100, 40, 4, Blue, 5);
    EXPECT_TRUE(BorderIsClear(g.Grid));
}

// A centre below row 98 is lifted by five rows; row 98 itself is not.
TEST_F(InjectTest, ACentreOnRowNinetyNineOrHundredIsLiftedFiveRows) {
    g.Inject(3, Blue, 50, 99, 3);
    ExpectSquare(g, 50, 94, 2, Blue, 3);
    g.ClearGrid();
    g.Inject(3, Blue, 50, 100, 3);
    ExpectSquare(g, 50, 95, 2, Blue, 3);
    g.ClearGrid();
    g.Inject(3, Blue, 100, 98, 3);
    ExpectSquare(g, 100, 98, 2, Blue, 3);
    EXPECT_TRUE(BorderIsClear(g.Grid));
}

// Gray cells (owner 250 and above) inside the footprint keep everything; the rest is overwritten.
TEST_F(InjectTest, GrayCellsSurviveAnInjectionAndEverythingElseIsOverwritten) {
    g.Inject(5, GraySpot, 50, 50, 3);  // a gray spot: 5 x 5, 3 / 2 / 1
    EXPECT_TRUE(host.Sounds.empty());
    ExpectSquare(g, 50, 50, 2, GraySpot, 3);
    Put(g, 46, 46, 250, 9, 9);
    Put(g, 54, 54, 249, 9, 9);
    Put(g, 47, 50, Blue, 9, 0);  // own strong cell on ring 3: lowered to 2
    Put(g, 53, 50, Red, 1, 0);   // enemy cell: replaced
    const TGrid before = g.Grid;

    g.Inject(5, Blue, 50, 50, 5);
    for (int y = 46; y <= 54; ++y)
        for (int x = 46; x <= 54; ++x) {
            const TCell& was = before(x, y);
            const TCell& c = g.Grid(x, y);
            if (was.Owner >= 250) {
                EXPECT_EQ(c.Owner, was.Owner);
                EXPECT_EQ(c.Strength, was.Strength);
                EXPECT_EQ(c.Vitality, was.Vitality);
            } else {
                EXPECT_EQ(c.Owner, Blue) << x << "," << y;
                EXPECT_EQ(c.Strength, 5 - std::max(std::abs(x - 50), std::abs(y - 50)));
            }
        }
    EXPECT_EQ(g.Grid(54, 54).Owner, Blue);
    EXPECT_EQ(g.Grid(47, 50).Strength, 2);
    EXPECT_EQ(g.Grid(53, 50).Owner, Blue);

    // Aimed straight at the spot: it is left as it was.
    const uint64_t spot = BoardHash(g.Grid);
    const TRandom rngBefore = g.Rng;
    g.Inject(1, Red, 50, 50, 2);
    EXPECT_EQ(BoardHash(g.Grid), spot);
    EXPECT_TRUE(SameStream(rngBefore, g.Rng));  // nothing written, nothing drawn
    EXPECT_EQ(SoundCount(host, TWaveList::P2wav, 0), 1);
}

// Each write draws its own vitality, in the order centre, top row, bottom row, left
// column, right column, so a corner keeps the draw of its second visit.
TEST_F(InjectTest, VitalityIsDrawnPerWriteAndCornersKeepTheirSecondDraw) {
    // The visits of a radius-1 injection at (50, 50), written out by hand.
    const std::vector<std::pair<int, int>> visits = {
        {50, 50},
        {49, 49}, {50, 49}, {51, 49},  // top row
        {49, 51}, {50, 51}, {51, 51},  // bottom row
        {49, 49}, {49, 50}, {49, 51},  // left column
        {51, 49}, {51, 50}, {51, 51},  // right column
    };
    TRandom replay = g.Rng;
    int expected[GridSize][GridSize] = {};
    for (const auto& [x, y] : visits) expected[x][y] = (replay.Below(7) + 2) * 2;
    g.Inject(1, Blue, 50, 50, 2);
    for (int y = 49; y <= 51; ++y)
        for (int x = 49; x <= 51; ++x) EXPECT_EQ(g.Grid(x, y).Vitality, expected[x][y]) << x << "," << y;
    EXPECT_TRUE(SameStream(replay, g.Rng));

    // At column 1 the cells outside the playfield are skipped without a draw:
    // centre, 2 + 2 in the rows, none in column 0, 3 in column 2.
    TRandom edge = g.Rng;
    g.Inject(1, Red, 1, 50, 2);
    for (int i = 0; i < 8; ++i) edge.Below(7);
    EXPECT_TRUE(SameStream(edge, g.Rng));
}

// The vitality uses the full strength and wraps modulo 256.
TEST_F(InjectTest, VitalityUsesTheFullStrengthAndWraps) {
    TRandom replay = g.Rng;
    g.Inject(0, Red, 30, 30, 130);
    EXPECT_EQ(g.Grid(30, 30).Strength, 130);
    EXPECT_EQ(g.Grid(30, 30).Vitality, ((replay.Below(7) + 130) * 2) % 256);
    // A 3-ring injection: outer ring cells get vitality from strength 3, not 1.
    for (int i = 0; i < 30; ++i) {
        g.ClearGrid();
        g.Inject(3, Blue, 60, 60, 3);
        EXPECT_EQ(g.Grid(58, 58).Strength, 1);
        EXPECT_GE(g.Grid(58, 58).Vitality, 6);
        EXPECT_LE(g.Grid(58, 58).Vitality, 18);
    }
}

// A size-0 bacterium writes nothing and draws nothing, but the sound still plays.
TEST_F(InjectTest, AnEmptyTubeInjectsNothingButStillSounds) {
    const TRandom before = g.Rng;
    g.Inject(0, Blue, 50, 50, 0);
    g.Inject(-3, Red, 50, 50, 5);
    EXPECT_EQ(CountOwner(g.Grid, Blue) + CountOwner(g.Grid, Red), 0);
    EXPECT_TRUE(SameStream(before, g.Rng));
    EXPECT_EQ(SoundCount(host, TWaveList::P1wav, 0), 1);
    EXPECT_EQ(SoundCount(host, TWaveList::P2wav, 0), 1);
}

// Far outside the board, or with a huge radius, an injection writes only playfield cells.
TEST_F(InjectTest, WildCoordinatesAndRadiiStayInsideThePlayfield) {
    g.Inject(2000000000, Blue, -1000000, 2000000000, 15);
    g.Inject(1000, Red, 500, 50, 15);
    EXPECT_TRUE(BorderIsClear(g.Grid));
    EXPECT_EQ(CountOwner(g.Grid, Blue) + CountOwner(g.Grid, Red), 0);
    g.Inject(2000000000, Red, 95, 50, 15);
    EXPECT_EQ(CountOwner(g.Grid, Red), 20 * 29);  // columns 81..100, rows 36..64
    EXPECT_TRUE(BorderIsClear(g.Grid));
}

// ---- TextBetween ------------------------------------------------------------------

// TextBetween gives the text strictly between the first open and the first close.
TEST(TextBetween, GivesTheButtonLabelsOfTheFiveKinds) {
    const char* labels[5] = {"stabilizer", "Destablizer", "Terminate", "Inverter", "Defender"};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(TextBetween(GlobalInjectionNames[k], '(', ')'), labels[k]);
}

// TextBetween is empty when a mark is missing, when close does not follow open by two, or on empty text.
TEST(TextBetween, IsEmptyWhenTheMarksAreMissingOrOutOfOrder) {
    EXPECT_EQ(TextBetween("", '(', ')'), "");
    EXPECT_EQ(TextBetween("abc)", '(', ')'), "");
    EXPECT_EQ(TextBetween("(abc", '(', ')'), "");
    EXPECT_EQ(TextBetween("()", '(', ')'), "");
    EXPECT_EQ(TextBetween("a)b(c)", '(', ')'), "");  // the first close comes before the open
    EXPECT_EQ(TextBetween("(x)(y)", '(', ')'), "x");
    EXPECT_EQ(TextBetween("[ab]", '[', ']'), "ab");
}
