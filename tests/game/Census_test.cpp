// The close of a generation: census, captions, energy, the rating bonus, the
// computer's automatic global injection, and the tubes fed from the energy.
#include <gtest/gtest.h>

#include <cmath>

#include "BoardTestSupport.h"
#include "TGame.h"
#include "VirtualHost.h"

using namespace boardtest;

namespace {

class CensusTest : public testing::Test {
protected:
    void SetUp() override {
        g.Rng.Seed(777);
        g.AIRating = 1000;
        for (int p = 1; p <= 4; ++p)
            for (int j = 1; j <= 5; ++j) g.Tube[p][j] = TTube{5, 250};
    }
    VirtualHost host;
    TGame g{host};
};

// Fills `n` playfield cells with `owner`, column by column from column `firstColumn`
// towards the right (step +1) or the left (step -1), rows 1..100 in each column.
void FillCells(TGame& g, uint8_t owner, int n, int firstColumn, int step) {
    for (int x = firstColumn; n > 0; x += step)
        for (int y = 1; y <= 100 && n > 0; ++y, --n) Put(g, x, y, owner, 4, 50);
}

struct TFireResult {
    bool Fired = false;
    uint8_t Slot1 = 0;
    uint8_t Slot2 = 0;
};

// One generation on a fresh game with `blueCells` Blue cells, at `matchTimeMs`,
// with the computer holding the two kinds given: did the computer fire?
TFireResult OneClose(uint64_t seed, int blueCells, int32_t matchTimeMs, uint8_t kind1, uint8_t kind2) {
    VirtualHost host;
    TGame g(host);
    g.Rng.Seed(seed);
    g.AIRating = 1000;
    g.MatchTime = matchTimeMs;
    g.GlobalInjection[2][1] = kind1;
    g.GlobalInjection[2][2] = kind2;
    FillCells(g, Blue, blueCells, 100, -1);
    RunGeneration(g);
    return {SoundCount(host, TWaveList::P2wav, 1) > 0, g.GlobalInjection[2][1], g.GlobalInjection[2][2]};
}

int FiredCount(int trials, int blueCells, int32_t matchTimeMs) {
    int fired = 0;
    for (int i = 0; i < trials; ++i)
        if (OneClose(1000 + static_cast<uint64_t>(i), blueCells, matchTimeMs, 1, 2).Fired) ++fired;
    return fired;
}

void ExpectRate(int count, int n, double p) {
    const double sd = std::sqrt(n * p * (1 - p));
    EXPECT_NEAR(count, n * p, 5 * sd + 1) << "observed " << count << " of " << n << ", p = " << p;
}

}  // namespace

// ---- Census and captions ----------------------------------------------------------

// The census counts the board as it was before this generation's staged changes, so
// the display lags one generation, and it holds still between closes.
TEST_F(CensusTest, TheCensusCountsTheBoardBeforeTheStagedChanges) {
    Put(g, 50, 50, Blue, 5);
    RunGeneration(g);
    EXPECT_EQ(g.CellCount[Blue], 1);
    EXPECT_EQ(CountOwner(g.Grid, Blue), 9);
    for (int i = 0; i < 4; ++i) {
        g.DIBTimer1Timer();
        EXPECT_EQ(g.CellCount[Blue], 1);
    }
    g.DIBTimer1Timer();
    EXPECT_EQ(g.CellCount[Blue], 9);
    EXPECT_EQ(g.CellCount[Red], 0);
}

// The shares caption reads "RED : r% <-> BLUE : b%" in whole percent and replaces any message.
TEST_F(CensusTest, TheSharesCaptionShowsWholePercentRedFirst) {
    FillCells(g, Red, 1234, 1, +1);
    FillCells(g, Blue, 5678, 100, -1);
    g.Screen.LBL_Action.Caption = "Player executed a global injection";
    g.Energy[Blue] = 7;
    RunGeneration(g);
    EXPECT_EQ(g.CellCount[Red], 1234);
    EXPECT_EQ(g.CellCount[Blue], 5678);
    EXPECT_EQ(g.Screen.LBL_Action.Caption, "RED : 12% <-> BLUE : 56%");
    // Energy: Red 1234 div 400 = 3; Blue 7 + 5678 div 400 = 21.
    EXPECT_EQ(g.Screen.RxLabel1.Caption, "3/21");
    // Then fed into the tubes: Blue 21 div 5 = 4 each, Red 3 div 5 = 0, and spent.
    EXPECT_EQ(g.Tube[Blue][1].Growth, 246);
    EXPECT_EQ(g.Tube[Red][1].Growth, 250);
    EXPECT_EQ(g.Energy[Blue], 0);
    EXPECT_EQ(g.Energy[Red], 0);
    EXPECT_TRUE(NextGridIsClear(g));
}

// A board held wholly by Blue apart from a gray cell shows Blue below 100 percent.
TEST_F(CensusTest, GrayCellsCountForNobodySoAFullBoardShowsNinetyNine) {
    for (int y = 1; y <= 100; ++y)
        for (int x = 1; x <= 100; ++x) Put(g, x, y, Blue, 4, 50);
    Put(g, 50, 50, GraySpot, 3);
    RunGeneration(g);
    EXPECT_EQ(g.CellCount[Blue], 9999);
    EXPECT_EQ(g.Screen.LBL_Action.Caption, "RED : 0% <-> BLUE : 99%");
    // 9999 div 400 = 24, and the two cells beside the spot give 2 each.
    EXPECT_EQ(g.SpotBonus[Blue], 4);
    EXPECT_EQ(g.Screen.RxLabel1.Caption, "0/28");
}

// A cell earns 2 when a gray spot lies directly left or right of it (once, even if both);
// above and below do not count, and gray cells earn nothing themselves.
TEST_F(CensusTest, OnlyLeftAndRightGrayNeighboursGiveTheSpotBonus) {
    Put(g, 50, 50, GraySpot, 3);
    Put(g, 49, 50, Blue, 1);
    Put(g, 51, 50, Red, 1);
    Put(g, 50, 49, Blue, 1);
    Put(g, 50, 51, Red, 1);
    Put(g, 59, 20, GraySpot, 1);
    Put(g, 60, 20, Blue, 1);
    Put(g, 61, 20, GraySpot, 1);
    Put(g, 80, 80, GraySpot, 1);
    Put(g, 81, 80, GraySpot, 1);
    RunGeneration(g);
    EXPECT_EQ(g.SpotBonus[Blue], 4);
    EXPECT_EQ(g.SpotBonus[Red], 2);
    EXPECT_EQ(g.CellCount[Blue], 3);
    EXPECT_EQ(g.CellCount[Red], 2);
    EXPECT_EQ(g.Screen.RxLabel1.Caption, "2/4");
}

// ---- Rating bonus -----------------------------------------------------------------

// The computer gets AIRating div 200 energy per generation above rating 1000.
TEST_F(CensusTest, TheRatingBonusFollowsTheComputersRating) {
    const std::pair<int, const char*> table[] = {{1000, "0/0"},  {1300, "6/0"},  {1600, "8/0"},
                                                 {1900, "9/0"},  {2200, "11/0"}, {2500, "12/0"},
                                                 {2800, "14/0"}};
    for (const auto& [rating, caption] : table) {
        g.AIRating = rating;
        RunGeneration(g);
        EXPECT_EQ(g.Screen.RxLabel1.Caption, caption) << rating;
    }
    // Each generation's bonus is fed at once: shares 0, 1, 1, 1, 2, 2, 2 per tube.
    EXPECT_EQ(g.Tube[Red][3].Growth, 250 - (0 + 1 + 1 + 1 + 2 + 2 + 2));
    EXPECT_EQ(g.Tube[Blue][3].Growth, 250);
}

// ---- The computer's automatic global injection -----------------------------------

// Before 64 seconds of match time the computer never fires, whatever Blue's share.
TEST_F(CensusTest, TheComputerNeverFiresBeforeSixtyFourSeconds) {
    EXPECT_EQ(FiredCount(150, 6000, 63999), 0);
}

// From 212 seconds on, with Blue at 45 percent or more, it fires at every close.
TEST_F(CensusTest, TheComputerAlwaysFiresFromTwoHundredTwelveSecondsAtFortyFivePercent) {
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        const TFireResult r = OneClose(seed, 4500, 212000, 1, 3);
        ASSERT_TRUE(r.Fired) << seed;
        // Exactly one of the two slots was spent.
        ASSERT_TRUE((r.Slot1 == 0) != (r.Slot2 == 0)) << seed;
    }
}

// Below 35 percent for Blue the computer never fires.
TEST_F(CensusTest, TheComputerNeverFiresWhileBlueHoldsUnderThirtyFivePercent) {
    EXPECT_EQ(FiredCount(150, 3499, 1000000), 0);
}

// The share gate passes when Blue's percent reaches 35 + a draw below 10.
TEST_F(CensusTest, TheShareGateOpensGraduallyFromThirtyFiveToFortyFourPercent) {
    ExpectRate(FiredCount(400, 4000, 1000000), 400, 0.6);  // 40 %: a <= 5
    ExpectRate(FiredCount(400, 3500, 1000000), 400, 0.1);  // 35 %: a = 0
}

// The time gate passes with chance (t * (t div 4) + 1 - 1000) / 10000 in its middle range.
TEST_F(CensusTest, TheTimeGateFollowsTheSquareOfTheMatchTime) {
    ExpectRate(FiredCount(600, 5000, 100000), 600, 0.1501);  // t = 100: r <= 2500
    ExpectRate(FiredCount(400, 5000, 150999), 400, 0.4551);  // t = 150: r <= 5550
}

// The time gate is strict: a draw r equal to t * (t div 4) + 1 does not fire, one less
// does; then a draw below 5 picks the first slot.
TEST_F(CensusTest, TheTimeGateIsStrictAtItsThreshold) {
    // A board of Blue strength 7 with full vitality: the close draws exactly one
    // ageing number per cell and nothing else before the gate, so r can be replayed.
    auto drawnR = [](uint64_t seed, int& slotDraw) {
        TRandom replay(0);
        replay.Seed(seed);
        for (int i = 0; i < 10000; ++i) replay.Below(10);
        replay.Below(10);  // the share gate's draw
        const int r = 1000 + replay.Below(10000);
        slotDraw = replay.Below(10);
        return r;
    };
    int atThreshold = 0, justBelow = 0;
    for (uint64_t seed = 1; seed <= 3000 && (atThreshold < 3 || justBelow < 3); ++seed) {
        int slotDraw = 0;
        const int r = drawnR(seed, slotDraw);
        for (int t = 64; t <= 211; ++t) {
            const int threshold = t * (t / 4) + 1;
            if (r != threshold && r != threshold - 1) continue;
            VirtualHost h;
            TGame game(h);
            game.Rng.Seed(seed);
            game.AIRating = 1000;
            game.MatchTime = t * 1000 + 999;
            game.GlobalInjection[2][1] = 2;
            game.GlobalInjection[2][2] = 1;
            for (int y = 1; y <= 100; ++y)
                for (int x = 1; x <= 100; ++x) Put(game, x, y, Blue, 7, 255);
            RunGeneration(game);
            const bool fired = SoundCount(h, TWaveList::P2wav, 1) > 0;
            EXPECT_EQ(fired, r < threshold) << "seed " << seed << " t " << t << " r " << r;
            if (fired) {
                EXPECT_EQ(game.GlobalInjection[2][1], slotDraw < 5 ? 0 : 2);
                EXPECT_EQ(game.GlobalInjection[2][2], slotDraw < 5 ? 1 : 0);
            }
            (r < threshold ? justBelow : atThreshold)++;
        }
    }
    EXPECT_GE(atThreshold, 3);
    EXPECT_GE(justBelow, 3);
}

// The inverter and the defender are never fired at the close, and a spent slot fires nothing.
TEST_F(CensusTest, OnlyOffensiveKindsAreFiredAtTheClose) {
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        const TFireResult r = OneClose(seed, 6000, 300000, 4, 5);
        ASSERT_FALSE(r.Fired);
        ASSERT_EQ(r.Slot1, 4);
        ASSERT_EQ(r.Slot2, 5);
        ASSERT_FALSE(OneClose(seed, 6000, 300000, 0, 0).Fired);
    }
    // One offensive and one defensive slot: about half the closes fire, always the first slot.
    int fired = 0;
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        const TFireResult r = OneClose(seed, 6000, 300000, 2, 5);
        ASSERT_EQ(r.Slot2, 5);
        ASSERT_EQ(r.Fired, r.Slot1 == 0);
        if (r.Fired) ++fired;
    }
    ExpectRate(fired, 300, 0.5);
}

// The fired kind really acts: a computer stabilizer strengthens weak red cells on its half.
TEST_F(CensusTest, TheFiredKindIsAppliedForTheComputer) {
    FillCells(g, Blue, 5000, 100, -1);
    for (int y = 1; y <= 100; y += 2) Put(g, 10, y, Red, 1, 200);
    g.MatchTime = 250000;
    g.GlobalInjection[2][1] = 1;
    g.GlobalInjection[2][2] = 1;
    RunGeneration(g);
    EXPECT_EQ(SoundCount(host, TWaveList::P2wav, 1), 1);
    int stabilized = 0;
    for (int y = 1; y <= 100; y += 2)
        if (g.Grid(10, y).Strength == 3) ++stabilized;
    EXPECT_GT(stabilized, 20);
}

// A close on an empty board makes one draw only: the share test fails and nothing more is drawn.
TEST_F(CensusTest, AFailedShareTestDrawsNothingFurther) {
    g.MatchTime = 1000000;
    g.GlobalInjection[2][1] = 1;
    TRandom expected = g.Rng;
    RunGeneration(g);
    expected.Below(10);
    EXPECT_TRUE(SameStream(expected, g.Rng));
}

// ---- Feeding the tubes ------------------------------------------------------------

// Each tube takes Energy div 5, rises at most one size when its need is met, and the energy is spent.
TEST_F(CensusTest, FeedingGivesEveryTubeTheSameShareAndAtMostOneSize) {
    g.Energy[Blue] = 24;  // share 4, remainder lost
    g.Tube[Blue][1] = TTube{5, 250};
    g.Tube[Blue][2] = TTube{3, 3};
    g.Tube[Blue][3] = TTube{10, 5};
    g.Tube[Blue][4] = TTube{0, 50};
    g.Tube[Blue][5] = TTube{9, 4};
    g.Energy[Red] = 1000000;
    g.Energy[3] = 77;
    g.FeedTubes();
    EXPECT_EQ(g.Energy[Blue], 0);
    EXPECT_EQ(g.Tube[Blue][1].Size, 5);
    EXPECT_EQ(g.Tube[Blue][1].Growth, 246);
    EXPECT_EQ(g.Tube[Blue][2].Size, 4);
    EXPECT_EQ(g.Tube[Blue][2].Growth, 400);
    EXPECT_EQ(g.Tube[Blue][3].Size, 10);
    EXPECT_EQ(g.Tube[Blue][3].Growth, 1);
    EXPECT_EQ(g.Tube[Blue][4].Size, 0);
    EXPECT_EQ(g.Tube[Blue][4].Growth, 46);
    EXPECT_EQ(g.Tube[Blue][5].Size, 10);
    EXPECT_EQ(g.Tube[Blue][5].Growth, 2500);
    // A flood of energy still buys one size, and the excess is not carried over.
    EXPECT_EQ(g.Energy[Red], 0);
    for (int j = 1; j <= 5; ++j) {
        EXPECT_EQ(g.Tube[Red][j].Size, 6);
        EXPECT_EQ(g.Tube[Red][j].Growth, 900);
    }
    // Only the two playing sides are fed.
    EXPECT_EQ(g.Energy[3], 77);
    EXPECT_EQ(g.Tube[3][1].Growth, 250);
}

// A side earning under 5 feeds nothing, and a full tube stays at size 10 however long it is fed.
TEST_F(CensusTest, SmallEnergyIsDiscardedAndAFullTubeStaysFull) {
    g.Energy[Blue] = 4;
    g.FeedTubes();
    EXPECT_EQ(g.Energy[Blue], 0);
    EXPECT_EQ(g.Tube[Blue][1].Growth, 250);
    g.Tube[Blue][2] = TTube{10, 0};
    for (int i = 0; i < 50; ++i) {
        g.Energy[Blue] = 50000;
        g.FeedTubes();
    }
    EXPECT_EQ(g.Tube[Blue][2].Size, 10);
    EXPECT_EQ(g.Tube[Blue][2].Growth, -500000);
    EXPECT_EQ(g.Tube[Blue][1].Size, 10);
}
