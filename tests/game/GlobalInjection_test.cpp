// Global injections: the five kinds for both sides, their column windows, the
// owner tests, the per-cell draws in column-then-row order and the sounds.
#include <gtest/gtest.h>

#include <cmath>

#include "BoardTestSupport.h"
#include "TGame.h"
#include "VirtualHost.h"

using namespace boardtest;

namespace {

struct TWindowRow {
    uint8_t Side;
    uint8_t Kind;
    int First;
    int Last;
};

// The column windows of the five kinds, per firing side.
constexpr TWindowRow Windows[] = {
    {1, 1, 20, 100}, {1, 2, 20, 100}, {1, 3, 40, 100}, {1, 4, 70, 100}, {1, 5, 40, 90},
    {2, 1, 0, 80},   {2, 2, 0, 80},   {2, 3, 0, 60},   {2, 4, 0, 30},   {2, 5, 0, 50},
};

// A board with a bit of everything: empty, both colours at strengths 0..7, gray
// cells, various vitalities.
void FillMixedBoard(TGame& g) {
    for (int y = 1; y <= 100; ++y)
        for (int x = 1; x <= 100; ++x) {
            const int h = (x * 7 + y * 13 + x * y) % 23;
            uint8_t owner = h < 3 ? Empty : h < 13 ? Blue : h < 22 ? Red : GraySpot;
            Put(g, x, y, owner, static_cast<uint8_t>((x + 3 * y) % 8),
                static_cast<uint8_t>((x * y) % 256));
        }
}

bool GrayAt(const TGrid& grid, int x, int y) {
    return x >= 0 && x <= 101 && y >= 0 && y <= 101 && grid(x, y).Owner == GraySpot;
}

// What the grid should look like after `side` fires `kind` over `w`, replaying
// the generator cell by cell in column-then-row order.
TGrid Expected(const TGrid& before, TRandom& replay, const TWindowRow& w) {
    TGrid after = before;
    const uint8_t side = w.Side;
    const uint8_t enemy = side == 1 ? 2 : 1;
    for (int x = w.First; x <= w.Last; ++x)
        for (int y = 1; y <= 100; ++y) {
            TCell& c = after(x, y);
            const TCell& was = before(x, y);
            switch (w.Kind) {
                case 1:
                    if (was.Owner == side && was.Strength < 5 && replay.Below(10) > 2) {
                        c.Strength = static_cast<uint8_t>(was.Strength + 2);
                        c.Vitality = static_cast<uint8_t>(was.Vitality + 2);
                    }
                    break;
                case 2:
                    if (was.Owner == enemy && was.Strength >= 2 && replay.Below(10) > 2) {
                        c.Strength = static_cast<uint8_t>(was.Strength / 2);
                        c.Vitality = static_cast<uint8_t>(was.Vitality / 2);
                    }
                    break;
                case 3:
                    if (was.Owner == enemy && (GrayAt(before, x - 3, y) || GrayAt(before, x + 3, y) ||
                                               GrayAt(before, x, y - 3) || GrayAt(before, x, y + 3)))
                        c = TCell{side, 3, 3};
                    break;
                case 4:
                    if (was.Owner == enemy && replay.Below(10) > 2) c = TCell{side, 3, 3};
                    break;
                case 5:
                    if (was.Owner == enemy && replay.Below(10) > 2) {
                        c.Owner = Empty;
                        c.Strength = 0;
                    }
                    break;
            }
        }
    return after;
}

}  // namespace

// Every kind for both sides changes exactly the qualifying cells of its window,
// each after its own draw in column-then-row order, and plays wave 1 of the side's list.
TEST(GlobalInjection, EveryKindForBothSidesMatchesTheCellByCellRule) {
    for (const TWindowRow& w : Windows) {
        VirtualHost host;
        TGame g(host);
        g.Rng.Seed(100 + w.Side * 10 + w.Kind);
        FillMixedBoard(g);
        TRandom replay = g.Rng;
        const TGrid before = g.Grid;
        const TGrid want = Expected(before, replay, w);
        g.FireGlobalInjection(w.Side, w.Kind);
        for (int y = 0; y < GridSize; ++y)
            for (int x = 0; x < GridSize; ++x) {
                const TCell& a = g.Grid(x, y);
                const TCell& b = want(x, y);
                ASSERT_TRUE(a.Owner == b.Owner && a.Strength == b.Strength && a.Vitality == b.Vitality)
                    << "side " << int(w.Side) << " kind " << int(w.Kind) << " at " << x << "," << y;
            }
        // The mixed board holds cells of every kind's liking: something did change.
        EXPECT_NE(BoardHash(g.Grid), BoardHash(before)) << int(w.Side) << "/" << int(w.Kind);
        EXPECT_TRUE(SameStream(replay, g.Rng)) << "one draw per qualifying cell";
        ASSERT_EQ(host.Sounds.size(), 1u);
        EXPECT_EQ(host.Sounds[0].List, w.Side == 1 ? TWaveList::P1wav : TWaveList::P2wav);
        EXPECT_EQ(host.Sounds[0].Index, 1);
        EXPECT_TRUE(BorderIsClear(g.Grid));
    }
}

// The windows: a board full of enemy cells is inverted or erased only between the window's
// columns, about seven cells in ten, and never elsewhere.
TEST(GlobalInjection, InverterAndDefenderActOnlyInsideTheirColumns) {
    for (const TWindowRow& w : Windows) {
        if (w.Kind < 4) continue;
        VirtualHost host;
        TGame g(host);
        g.Rng.Seed(9);
        const uint8_t enemy = w.Side == 1 ? Red : Blue;
        for (int y = 1; y <= 100; ++y)
            for (int x = 1; x <= 100; ++x) Put(g, x, y, enemy, 5, 40);
        g.FireGlobalInjection(w.Side, w.Kind);
        int hit = 0, inside = 0;
        for (int x = 1; x <= 100; ++x) {
            const bool in = x >= w.First && x <= w.Last;
            for (int y = 1; y <= 100; ++y) {
                const TCell& c = g.Grid(x, y);
                if (!in) {
                    ASSERT_EQ(c.Owner, enemy) << x;
                    continue;
                }
                ++inside;
                if (c.Owner == enemy) {
                    ASSERT_EQ(c.Strength, 5);
                    continue;
                }
                ++hit;
                if (w.Kind == 4) {
                    ASSERT_EQ(c.Owner, w.Side);
                    ASSERT_EQ(c.Strength, 3);
                    ASSERT_EQ(c.Vitality, 3);
                } else {
                    ASSERT_EQ(c.Owner, Empty);
                    ASSERT_EQ(c.Strength, 0);
                    ASSERT_EQ(c.Vitality, 40);  // the defender leaves vitality alone
                }
            }
        }
        const double sd = std::sqrt(inside * 0.21);
        EXPECT_NEAR(hit, inside * 0.7, 5 * sd) << int(w.Side) << "/" << int(w.Kind);
    }
}

// The stabilizer lifts only own cells below 5, by 2, so never past 6; vitality wraps.
TEST(GlobalInjection, TheStabilizerLiftsWeakOwnCellsByTwoAndNeverPastSix) {
    VirtualHost host;
    TGame g(host);
    g.Rng.Seed(5);
    for (int y = 1; y <= 100; ++y)
        for (int x = 1; x <= 100; ++x) Put(g, x, y, Red, static_cast<uint8_t>(1 + y % 7), 255);
    g.FireGlobalInjection(Red, 1);
    int lifted = 0;
    for (int y = 1; y <= 100; ++y)
        for (int x = 1; x <= 100; ++x) {
            const TCell& c = g.Grid(x, y);
            const int was = 1 + y % 7;
            ASSERT_LE(c.Strength, 7);
            if (was >= 5 || x > 80) {
                ASSERT_EQ(c.Strength, was);
                ASSERT_EQ(c.Vitality, 255);
            } else if (c.Strength != was) {
                ++lifted;
                ASSERT_EQ(c.Strength, was + 2);
                ASSERT_LE(c.Strength, 6);
                ASSERT_EQ(c.Vitality, 1);  // 255 + 2 wraps
            }
        }
    EXPECT_GT(lifted, 0);
}

// The destabilizer halves enemy cells of strength 2 or more and leaves strength 1 alone.
TEST(GlobalInjection, TheDestabilizerHalvesEnemyCellsButSparesStrengthOne) {
    VirtualHost host;
    TGame g(host);
    g.Rng.Seed(6);
    for (int y = 1; y <= 100; ++y)
        for (int x = 1; x <= 100; ++x) Put(g, x, y, Red, static_cast<uint8_t>(1 + y % 3), 9);
    g.FireGlobalInjection(Blue, 2);
    for (int y = 1; y <= 100; ++y)
        for (int x = 1; x <= 100; ++x) {
            const TCell& c = g.Grid(x, y);
            const int was = 1 + y % 3;
            ASSERT_EQ(c.Owner, Red);
            if (was == 1 || x < 20) {
                ASSERT_EQ(c.Strength, was);
                ASSERT_EQ(c.Vitality, 9);
            } else {
                ASSERT_TRUE(c.Strength == was || c.Strength == 1) << c.Strength;
                ASSERT_TRUE(c.Vitality == 9 || c.Vitality == 4);
                ASSERT_EQ(c.Strength == 1, c.Vitality == 4);
            }
        }
}

// Around a lone 5 x 5 gray spot Terminate turns four 3 x 5 blocks against its sides,
// never the diagonal corners, and only inside the side's window.
TEST(GlobalInjection, TerminateTurnsFourBlocksBesideAGraySpot) {
    for (uint8_t side : {Blue, Red}) {
        VirtualHost host;
        TGame g(host);
        const uint8_t enemy = side == Blue ? Red : Blue;
        for (int y = 1; y <= 100; ++y)
            for (int x = 1; x <= 100; ++x) Put(g, x, y, enemy, 6, 20);
        // One spot in the window's middle, one straddling its edge.
        const int cx = side == Blue ? 70 : 30;
        const int edgeX = side == Blue ? 40 : 60;
        g.Inject(5, GraySpot, cx, 50, 3);
        g.Inject(5, GraySpot, edgeX, 15, 3);
        g.FireGlobalInjection(side, 3);
        auto turned = [&](int x, int y) { return g.Grid(x, y).Owner == side; };
        int count = 0;
        for (int y = 1; y <= 100; ++y)
            for (int x = 1; x <= 100; ++x) {
                if (!turned(x, y)) continue;
                ++count;
                EXPECT_EQ(g.Grid(x, y).Strength, 3);
                EXPECT_EQ(g.Grid(x, y).Vitality, 3);
            }
        // The middle spot: 4 x 15 cells.
        for (int y = 45; y <= 55; ++y)
            for (int x = cx - 5; x <= cx + 5; ++x) {
                const int dx = std::abs(x - cx), dy = std::abs(y - 50);
                const bool inBlock = (dx >= 3 && dy <= 2) || (dy >= 3 && dx <= 2);
                EXPECT_EQ(turned(x, y), inBlock) << x << "," << y;
            }
        // The edge spot: only the parts inside the window.
        int edgeCount = 0;
        for (int y = 10; y <= 20; ++y)
            for (int x = edgeX - 5; x <= edgeX + 5; ++x) {
                const int dx = std::abs(x - edgeX), dy = std::abs(y - 15);
                const bool inBlock = (dx >= 3 && dy <= 2) || (dy >= 3 && dx <= 2);
                const bool inWindow = side == Blue ? x >= 40 : x <= 60;
                EXPECT_EQ(turned(x, y), inBlock && inWindow) << x << "," << y;
                if (turned(x, y)) ++edgeCount;
            }
        EXPECT_EQ(edgeCount, 15 + 3 * 3 * 2);  // one side block and the halves of two others
        EXPECT_EQ(count, 60 + edgeCount);
    }
}

// Kind 0 does nothing at all: no sound, no change, no draw. A kind without a match still sounds.
TEST(GlobalInjection, KindZeroIsSilentAndAnUnmatchedKindStillSounds) {
    VirtualHost host;
    TGame g(host);
    g.Rng.Seed(3);
    FillMixedBoard(g);
    const uint64_t before = BoardHash(g.Grid);
    const TRandom rng = g.Rng;
    g.FireGlobalInjection(Blue, 0);
    g.FireGlobalInjection(Red, 0);
    EXPECT_EQ(BoardHash(g.Grid), before);
    EXPECT_TRUE(SameStream(rng, g.Rng));
    EXPECT_TRUE(host.Sounds.empty());

    g.ClearGrid();
    for (uint8_t kind = 1; kind <= 5; ++kind) g.FireGlobalInjection(Red, kind);
    EXPECT_EQ(CountOwner(g.Grid, Blue) + CountOwner(g.Grid, Red), 0);
    EXPECT_EQ(SoundCount(host, TWaveList::P2wav, 1), 5);
}
