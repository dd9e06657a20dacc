// Long seeded runs of the step with injections and global injections between
// ticks: the grid's invariants after every generation, a board of random bytes,
// and a pinned board hash for a fixed start.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "BoardTestSupport.h"
#include "TGame.h"
#include "VirtualHost.h"

using namespace boardtest;

namespace {

// A start like a match's: three gray spots, a red colony on the left, a blue one
// on the right, full tubes of size 5, two weapons for the computer.
void SetUpStartBoard(TGame& g) {
    g.ClearGrid();
    g.ClearNextGrid();
    g.BandStart = 101;
    g.Inject(5, GraySpot, 30, 50, 3);
    g.Inject(5, GraySpot, 50, 20, 3);
    g.Inject(5, GraySpot, 70, 80, 3);
    g.Inject(5, Red, 5, 50, 5);
    g.Inject(5, Blue, 95, 50, 5);
    for (int p = 1; p <= 4; ++p)
        for (int j = 1; j <= 5; ++j) g.Tube[p][j] = TTube{5, 250};
    g.GlobalInjection[2][1] = 1;
    g.GlobalInjection[2][2] = 3;
    g.AIRating = 1900;
    g.MatchTime = 0;
}

// Something a player might do between two ticks, chosen by the test's own generator.
void RandomAction(TGame& g, TRandom& script) {
    const uint32_t roll = script.Below(100);
    if (roll < 25) {
        const int size = script.Below(16);
        const int side = 1 + script.Below(2);
        // One draw a statement: the order of a call's arguments is the
        // compiler's choice, and the pinned run must not depend on it.
        const int y = script.Below(108) - 3;
        const int x = script.Below(108) - 3;
        g.Inject(size, side, x, y, size);
    } else if (roll < 28) {
        const auto kind = static_cast<uint8_t>(script.Below(6));
        const auto firing = static_cast<uint8_t>(1 + script.Below(2));
        g.FireGlobalInjection(firing, kind);
    } else if (roll < 30 && g.GlobalInjection[2][1] == 0 && g.GlobalInjection[2][2] == 0) {
        // The computer gets new weapons now and then, so step 5f keeps firing.
        g.GlobalInjection[2][1] = static_cast<uint8_t>(1 + script.Below(5));
        g.GlobalInjection[2][2] = static_cast<uint8_t>(1 + script.Below(5));
    }
}

struct TCensus {
    std::array<int32_t, 5> Count{};
    std::array<int32_t, 5> Bonus{};
};

// The census as the close should find it on `grid`.
TCensus CountBoard(const TGrid& grid) {
    TCensus c;
    for (int y = 1; y <= 100; ++y)
        for (int x = 1; x <= 100; ++x) {
            const uint8_t o = grid(x, y).Owner;
            if (o < 1 || o > 4) continue;
            ++c.Count[o];
            if (grid(x - 1, y).Owner == GraySpot || grid(x + 1, y).Owner == GraySpot) c.Bonus[o] += 2;
        }
    return c;
}

std::vector<int> GrayCells(const TGrid& grid) {
    std::vector<int> cells;
    for (int y = 0; y < GridSize; ++y)
        for (int x = 0; x < GridSize; ++x)
            if (grid(x, y).Owner == GraySpot) cells.push_back(y * GridSize + x);
    return cells;
}

// One generation with actions between the ticks; checks the census against the
// board as it stood when the closing tick began.
void GenerationWithActions(TGame& g, TRandom& script, bool checkCensus = true) {
    for (int tick = 0; tick < 5; ++tick) {
        RandomAction(g, script);
        if (tick == 4 && checkCensus) {
            const TCensus want = CountBoard(g.Grid);
            g.DIBTimer1Timer();
            ASSERT_EQ(g.CellCount, want.Count);
            ASSERT_EQ(g.SpotBonus, want.Bonus);
        } else {
            g.DIBTimer1Timer();
        }
    }
}

}  // namespace

// Over thousands of generations of play the grid keeps its invariants after every close.
TEST(Simulation, ALongRandomRunKeepsEveryGridInvariant) {
    VirtualHost host;
    TGame g(host);
    g.Rng.Seed(20240601);
    TRandom script(99);
    SetUpStartBoard(g);
    const std::vector<int> gray = GrayCells(g.Grid);
    ASSERT_EQ(gray.size(), 75u);
    int maxBlue = 0, maxRed = 0;
    for (int gen = 0; gen < 2000; ++gen) {
        g.MatchTime += 250;
        GenerationWithActions(g, script);
        if (testing::Test::HasFatalFailure()) return;
        ASSERT_TRUE(BorderIsClear(g.Grid)) << gen;
        ASSERT_EQ(GrayCells(g.Grid), gray) << gen;
        for (int y = 1; y <= 100; ++y)
            for (int x = 1; x <= 100; ++x) {
                const TCell& c = g.Grid(x, y);
                if (c.Owner == Blue || c.Owner == Red) {
                    ASSERT_GT(c.Strength, 0) << x << "," << y;
                }
            }
        ASSERT_LE(g.CellCount[Blue] + g.CellCount[Red], 10000);
        ASSERT_TRUE(NextGridIsClear(g)) << gen;
        ASSERT_EQ(g.BandStart, 101);
        for (int p = 1; p <= 2; ++p)
            for (int j = 1; j <= 5; ++j) ASSERT_LE(g.Tube[p][j].Size, 10);
        maxBlue = std::max(maxBlue, g.CellCount[Blue]);
        maxRed = std::max(maxRed, g.CellCount[Red]);
    }
    // The run was a real fight: both colonies spread over a good part of the board.
    EXPECT_GT(maxBlue, 2000);
    EXPECT_GT(maxRed, 2000);
    EXPECT_GT(SoundCount(host, TWaveList::P2wav, 1), 0);  // global injections were fired
}

// A board of random bytes (any owner, strength and vitality) runs through generations,
// injections and global injections without harm; with garbage staged as well it still
// stays inside the grid.
TEST(Simulation, ABoardOfRandomBytesIsHandledSafely) {
    for (uint64_t seed = 1; seed <= 4; ++seed) {
        const bool garbageStaged = seed == 4;
        VirtualHost host;
        TGame g(host);
        g.Rng.Seed(seed);
        TRandom bytes(seed * 7919);
        for (int y = 1; y <= 100; ++y)
            for (int x = 1; x <= 100; ++x) {
                g.Grid(x, y) = TCell{static_cast<uint8_t>(bytes.Next32()), static_cast<uint8_t>(bytes.Next32()),
                                     static_cast<uint8_t>(bytes.Next32())};
                if (garbageStaged)
                    g.NextGrid(x, y) = TCell{static_cast<uint8_t>(bytes.Next32()),
                                             static_cast<uint8_t>(bytes.Next32()), 0};
            }
        g.MatchTime = 500000;
        g.GlobalInjection[2][1] = 2;
        g.GlobalInjection[2][2] = 3;
        std::vector<int> gray = GrayCells(g.Grid);
        ASSERT_FALSE(gray.empty());
        TRandom script(seed);
        for (int gen = 0; gen < 12; ++gen) {
            // Staged garbage may name any owner, so the census check and the gray
            // cells only hold once the first close has cleared it.
            const bool clean = !garbageStaged || gen > 0;
            GenerationWithActions(g, script, clean);
            if (testing::Test::HasFatalFailure()) return;
            ASSERT_TRUE(BorderIsClear(g.Grid));
            if (!clean) gray = GrayCells(g.Grid);
            ASSERT_EQ(GrayCells(g.Grid), gray);
            ASSERT_LE(g.CellCount[1] + g.CellCount[2] + g.CellCount[3] + g.CellCount[4], 10000);
            ASSERT_TRUE(NextGridIsClear(g));
        }
        for (uint8_t kind = 0; kind <= 7; ++kind) {
            g.FireGlobalInjection(1, kind);
            g.FireGlobalInjection(2, kind);
            g.FireGlobalInjection(3, kind);
        }
        g.Inject(40, 3, 50, 50, 300);
        ASSERT_TRUE(BorderIsClear(g.Grid));
        ASSERT_EQ(GrayCells(g.Grid), gray);
    }
}

// Odd values of the band position never reach outside the playfield.
TEST(Simulation, OddBandPositionsStayInsideThePlayfield) {
    VirtualHost host;
    TGame g(host);
    SetUpStartBoard(g);
    for (int start : {-1000, 5, 13, 37, 120, 1000}) {
        g.BandStart = start;
        for (int i = 0; i < 6; ++i) g.DIBTimer1Timer();
        ASSERT_TRUE(BorderIsClear(g.Grid)) << start;
    }
}

// A fixed seed and start board always give the same board after 300 generations of play.
TEST(Simulation, AFixedSeedGivesAPinnedBoardAfterThreeHundredGenerations) {
    VirtualHost host;
    TGame g(host);
    g.Rng.Seed(31337);
    TRandom script(271828);
    SetUpStartBoard(g);
    for (int gen = 0; gen < 300; ++gen) {
        g.MatchTime += 250;
        GenerationWithActions(g, script);
    }
    EXPECT_EQ(BoardHash(g.Grid), 0x128c40b1635e88f3ULL);
    EXPECT_EQ(g.CellCount[Blue], 4452);
    EXPECT_EQ(g.CellCount[Red], 5473);
    EXPECT_EQ(g.Screen.LBL_Action.Caption, "RED : 54% <-> BLUE : 44%");
    EXPECT_EQ(g.Screen.RxLabel1.Caption, "50/43");
}
