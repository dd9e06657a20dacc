// The computer player's tick on hand-made boards.
//
// Random draws are controlled by seeding the game's generator and replaying a
// second generator with the same seed, so each test knows which draws the
// computer made and where it must have injected. An injection of a tube of
// size L leaves exactly one red cell of strength L, its centre; the boards
// below hold only strength-1 cells, so the centre gives the injection away.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <utility>
#include <vector>

#include "TGame.h"
#include "VirtualHost.h"

namespace {

struct TTable {
    VirtualHost Host;
    TGame Game{Host};

    explicit TTable(int32_t rating, uint64_t seed = 1) {
        Game.AIRating = rating;
        Game.AIActive = true;
        Game.AIOpeningPending = false;
        Game.Rng.Seed(seed);
        Game.SpotPos[1] = {30, 30};
        Game.SpotPos[2] = {50, 50};
        Game.SpotPos[3] = {70, 70};
        SetTubes({0, 0, 0, 0, 0});
        Game.GlobalInjection[Red] = {0, 0, 0};
    }

    void SetTubes(std::array<int, 5> sizes) {
        for (int t = 1; t <= 5; ++t) {
            Game.Tube[Red][t].Size = static_cast<uint8_t>(sizes[t - 1]);
            Game.Tube[Red][t].Growth = 123;
        }
    }
    void Put(int x, int y, uint8_t owner) {
        Game.Grid(x, y).Owner = owner;
        Game.Grid(x, y).Strength = owner == Empty ? 0 : 1;
    }
    void Fill(int x1, int x2, int y1, int y2, uint8_t owner) {
        for (int x = x1; x <= x2; ++x)
            for (int y = y1; y <= y2; ++y) Put(x, y, owner);
    }
    int Size(int t) const { return Game.Tube[Red][t].Size; }
    bool Emptied(int t) const {
        return Game.Tube[Red][t].Size == 0 && Game.Tube[Red][t].Growth == 50;
    }
    // The centres of red injections of `size`: a red cell of that strength
    // ringed by eight red cells one weaker (a ring cell of a bigger injection
    // has a stronger neighbour, a board cell has strength 1).
    std::vector<std::pair<int, int>> Centres(int size) const {
        std::vector<std::pair<int, int>> found;
        auto is = [this](int x, int y, int strength) {
            return Game.Grid(x, y).Owner == Red && Game.Grid(x, y).Strength == strength;
        };
        for (int x = 1; x <= 100; ++x)
            for (int y = 1; y <= 100; ++y) {
                if (!is(x, y, size)) continue;
                bool ringed = true;
                for (int dx = -1; dx <= 1; ++dx)
                    for (int dy = -1; dy <= 1; ++dy)
                        if ((dx != 0 || dy != 0) && !is(x + dx, y + dy, size - 1)) ringed = false;
                if (ringed) found.emplace_back(x, y);
            }
        return found;
    }
    int Count(int column, uint8_t owner) const {
        int n = 0;
        for (int y = 1; y <= 100; ++y) n += Game.Grid(column, y).Owner == owner;
        return n;
    }
    int WeaponSounds() const {
        int n = 0;
        for (const auto& s : Host.Sounds) n += s.List == TWaveList::P2wav && s.Index == 1;
        return n;
    }
};

using Cells = std::vector<std::pair<int, int>>;

bool SameCells(const TGrid& a, const TGrid& b) {
    for (size_t i = 0; i < a.Cells.size(); ++i) {
        const TCell& p = a.Cells[i];
        const TCell& q = b.Cells[i];
        if (p.Owner != q.Owner || p.Strength != q.Strength || p.Vitality != q.Vitality)
            return false;
    }
    return true;
}

}  // namespace

// ---- Tick preamble ----------------------------------------------------------

// The computer's timer always runs at ten times the step timer's interval, and
// a new game speed takes effect from the tick after the one that sees it.
TEST(ComputerTick, IntervalFollowsTenTimesTheGameSpeedEvenWhileIdle) {
    TTable tt(1600);
    TGame& g = tt.Game;
    g.AIActive = false;
    g.TimerTaller.SetEnabled(false);
    g.DIBTimer1.SetInterval(25);
    g.AItimer.SetEnabled(true);  // first tick after the form's 500 ms
    tt.Host.RunFor(500);
    EXPECT_EQ(g.AItimer.Interval(), 250);
    EXPECT_EQ(tt.Host.Scheduler().NextDue(), 750);
    tt.Host.RunFor(250);
    EXPECT_EQ(tt.Host.Scheduler().NextDue(), 1000);
    g.DIBTimer1.SetInterval(500);
    EXPECT_EQ(tt.Host.Scheduler().NextDue(), 1000);  // the running period is kept
    tt.Host.RunFor(250);
    EXPECT_EQ(g.AItimer.Interval(), 5000);
    EXPECT_EQ(tt.Host.Scheduler().NextDue(), 6000);
    g.DIBTimer1.SetInterval(50);
    tt.Host.RunFor(5000);
    EXPECT_EQ(g.AItimer.Interval(), 500);
    EXPECT_EQ(tt.Host.Scheduler().NextDue(), 6500);
}

// While AIActive is false a tick only sets the interval: no draw, no injection,
// no weapon, whatever the board offers.
TEST(ComputerTick, DoesNothingElseWhileInactive) {
    TTable tt(2800, 77);
    TGame& g = tt.Game;
    g.AIActive = false;
    g.AIOpeningPending = true;
    tt.SetTubes({10, 10, 10, 10, 10});
    g.GlobalInjection[Red] = {0, 4, 5};
    tt.Fill(1, 20, 1, 100, Red);
    tt.Fill(21, 40, 1, 100, Blue);
    tt.Put(2, 10, Red);
    tt.Put(3, 10, Blue);
    const TGrid before = g.Grid;
    for (int i = 0; i < 20; ++i) g.AItimerTimer();
    EXPECT_EQ(g.AItimer.Interval(), 500);
    EXPECT_TRUE(g.AIOpeningPending);
    for (int t = 1; t <= 5; ++t) EXPECT_EQ(tt.Size(t), 10);
    EXPECT_EQ(g.GlobalInjection[Red][1], 4);
    EXPECT_EQ(g.GlobalInjection[Red][2], 5);
    EXPECT_TRUE(SameCells(before, g.Grid));
    EXPECT_TRUE(tt.Host.Sounds.empty());
    TRandom untouched(77);
    EXPECT_EQ(g.Rng.Next32(), untouched.Next32());
}

// ---- Defensive weapons ------------------------------------------------------

// A red cell in column 3 touching a blue cell in column 4 fires both an
// inverter and a defender in the same tick, in slot order.
TEST(ComputerDefensiveWeapons, ContactInColumnThreeFiresBothSlots) {
    TTable tt(1600);
    TGame& g = tt.Game;
    g.GlobalInjection[Red] = {0, 4, 5};
    tt.Put(3, 50, Red);
    tt.Put(4, 50, Blue);
    tt.Fill(25, 25, 1, 100, Blue);  // inside the inverter's columns 0..30
    tt.Fill(45, 45, 1, 100, Blue);  // only inside the defender's columns 0..50
    g.AItimerTimer();
    EXPECT_EQ(g.GlobalInjection[Red][1], 0);
    EXPECT_EQ(g.GlobalInjection[Red][2], 0);
    EXPECT_EQ(tt.WeaponSounds(), 2);
    EXPECT_GT(tt.Count(25, Red), 30);    // the inverter turned blue to red
    EXPECT_GT(tt.Count(45, Empty), 30);  // the defender erased blue
    EXPECT_EQ(tt.Count(45, Red), 0);
}

// When the only contact lies between columns 7 and 8, a tick has one attempt:
// slot 1 fires, slot 2 stays for a later tick.
TEST(ComputerDefensiveWeapons, ContactOnlyAtColumnSevenFiresOnlyTheFirstSlot) {
    TTable tt(1600);
    TGame& g = tt.Game;
    g.GlobalInjection[Red] = {0, 4, 5};
    tt.Put(7, 99, Red);
    tt.Put(8, 99, Blue);
    tt.Fill(25, 25, 1, 90, Blue);
    tt.Fill(45, 45, 1, 90, Blue);
    g.AItimerTimer();
    EXPECT_EQ(g.GlobalInjection[Red][1], 0);
    EXPECT_EQ(g.GlobalInjection[Red][2], 5);
    EXPECT_EQ(tt.WeaponSounds(), 1);
    EXPECT_GT(tt.Count(25, Red), 30);
    EXPECT_EQ(tt.Count(45, Blue), 90);
}

// Only kinds 4 and 5 are fired from the tick, the first qualifying slot first;
// an offensive kind in the other slot is left for the step.
TEST(ComputerDefensiveWeapons, FireOnlyInverterAndDefenderKinds) {
    struct TCase {
        uint8_t Slot1, Slot2, After1, After2;
    };
    const TCase cases[] = {
        {1, 5, 1, 0}, {4, 3, 0, 3}, {2, 3, 2, 3}, {5, 5, 0, 0}, {0, 4, 0, 0}, {3, 0, 3, 0},
    };
    for (const TCase& c : cases) {
        TTable tt(2200);
        TGame& g = tt.Game;
        g.GlobalInjection[Red] = {0, c.Slot1, c.Slot2};
        tt.Put(1, 1, Red);
        tt.Put(2, 1, Blue);
        g.AItimerTimer();
        EXPECT_EQ(g.GlobalInjection[Red][1], c.After1) << int(c.Slot1) << "," << int(c.Slot2);
        EXPECT_EQ(g.GlobalInjection[Red][2], c.After2) << int(c.Slot1) << "," << int(c.Slot2);
    }
}

// No weapon fires without a red cell with blue directly to its right in
// columns 1..7, nor below rating 1600.
TEST(ComputerDefensiveWeapons, StayQuietWithoutAContactOrBelowRating1600) {
    struct TCase {
        int32_t Rating;
        int RedX, BlueX;
    };
    const TCase cases[] = {
        {1600, 8, 9},   // contact beyond column 7
        {1600, 4, 3},   // blue left of red
        {1600, 3, 5},   // a gap between them
        {1300, 1, 2},   // rating too low
        {1000, 3, 4},
    };
    for (const TCase& c : cases) {
        TTable tt(c.Rating);
        TGame& g = tt.Game;
        g.GlobalInjection[Red] = {0, 4, 5};
        tt.Put(c.RedX, 40, Red);
        tt.Put(c.BlueX, 40, Blue);
        for (int i = 0; i < 10; ++i) g.AItimerTimer();
        EXPECT_EQ(g.GlobalInjection[Red][1], 4) << c.Rating << " " << c.RedX;
        EXPECT_EQ(g.GlobalInjection[Red][2], 5) << c.Rating << " " << c.RedX;
        EXPECT_EQ(tt.WeaponSounds(), 0);
    }
}

// ---- Front-line reinforcement -----------------------------------------------

// From rating 1900 each tube of size 3 or more may be injected at the first
// red-blue contact of columns 1..20; the 4-in-10 draw is made at the contact
// before the size is looked at, so a small tube still uses up a draw.
TEST(ComputerReinforcement, ThrowsTubesOfSizeThreeAtTheFrontWithFourInTen) {
    int injected = 0;
    const int seeds = 300;
    for (uint64_t seed = 1; seed <= seeds; ++seed) {
        TTable tt(1900, seed);
        TGame& g = tt.Game;
        tt.SetTubes({2, 3, 0, 0, 0});
        tt.Put(12, 40, Red);
        tt.Put(13, 40, Blue);
        tt.Put(21, 60, Red);  // column 21 is beyond the front the computer watches
        tt.Put(22, 60, Blue);
        TRandom replay(seed);
        replay.Below(10);                            // tube 1's draw: wasted, size 2
        const bool tube2 = replay.Below(10) >= 6;    // tube 2's draw
        g.AItimerTimer();
        EXPECT_EQ(tt.Size(1), 2);
        ASSERT_EQ(tt.Emptied(2), tube2) << seed;
        if (tube2) {
            ++injected;
            EXPECT_EQ(tt.Centres(3), (Cells{{12, 40}})) << seed;
        }
        EXPECT_EQ(g.Grid(22, 60).Owner, Blue);
    }
    EXPECT_GT(injected, seeds * 30 / 100);
    EXPECT_LT(injected, seeds * 50 / 100);
}

// Contacts are searched column by column, rows top to bottom within a column,
// and each contact met costs one draw.
TEST(ComputerReinforcement, SearchesColumnsBeforeRows) {
    int atNear = 0, atFar = 0;
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        TTable tt(2500, seed);
        TGame& g = tt.Game;
        tt.SetTubes({3, 0, 0, 0, 0});
        tt.Put(15, 90, Red);
        tt.Put(16, 90, Blue);
        tt.Put(18, 5, Red);
        tt.Put(19, 5, Blue);
        TRandom replay(seed);
        Cells expected;
        if (replay.Below(10) >= 6) expected = {{15, 90}};
        else if (replay.Below(10) >= 6) expected = {{18, 5}};
        g.AItimerTimer();
        EXPECT_EQ(tt.Centres(3), expected) << seed;
        EXPECT_EQ(tt.Emptied(1), !expected.empty());
        atNear += expected == Cells{{15, 90}};
        atFar += expected == Cells{{18, 5}};
    }
    EXPECT_GT(atNear, 0);
    EXPECT_GT(atFar, 0);
}

// A tube's search ends at its injection: the contacts after it cost no draw,
// and the next tube searches the board as that injection left it.
TEST(ComputerReinforcement, EachTubeStopsAtItsOwnInjection) {
    int both = 0;
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        TTable tt(1900, seed);
        TGame& g = tt.Game;
        tt.SetTubes({3, 3, 0, 0, 0});
        const std::array<std::pair<int, int>, 2> contacts{{{15, 90}, {18, 5}}};
        for (const auto& [x, y] : contacts) {
            tt.Put(x, y, Red);
            tt.Put(x + 1, y, Blue);
        }
        // Replay: a draw at each live contact; an injection of size 3 on open
        // cells draws a vitality for each of its 33 writes (corners twice).
        TRandom replay(seed);
        std::array<bool, 2> alive{true, true};
        std::array<int, 3> tubeAt{-1, -1, -1};  // contact index each tube took
        for (int t = 1; t <= 5; ++t) {
            for (int c = 0; c < 2; ++c) {
                if (!alive[c]) continue;
                if (replay.Below(10) < 6 || t > 2) continue;
                for (int i = 0; i < 33; ++i) replay.Below(VitalityBase);
                alive[c] = false;
                tubeAt[t] = c;
                break;
            }
        }
        g.AItimerTimer();
        Cells expected;
        for (int t = 1; t <= 2; ++t) {
            EXPECT_EQ(tt.Emptied(t), tubeAt[t] >= 0) << seed << " tube " << t;
            if (tubeAt[t] >= 0) expected.push_back(contacts[tubeAt[t]]);
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(tt.Centres(3), expected) << seed;
        EXPECT_EQ(g.Rng.Next32(), replay.Next32()) << seed;
        both += expected.size() == 2;
    }
    EXPECT_GT(both, 0);
}

// Below rating 1900 there is no reinforcement at all.
TEST(ComputerReinforcement, NeverHappensAtRating1600) {
    for (uint64_t seed = 1; seed <= 50; ++seed) {
        TTable tt(1600, seed);
        tt.SetTubes({3, 3, 3, 3, 3});
        tt.Put(12, 40, Red);
        tt.Put(13, 40, Blue);
        tt.Game.AItimerTimer();
        for (int t = 1; t <= 5; ++t) EXPECT_EQ(tt.Size(t), 3);
    }
}

// ---- Opening ----------------------------------------------------------------

// The opening comes on a tick whose draw of 20 is below 5. It injects tubes 1..3
// at columns 15..19 and rows spot - 2 .. spot + 1, and on that tick nothing
// else of the plan happens; until then the plan does nothing at all.
TEST(ComputerOpening, InjectsTubesOneToThreeNearTheSpotRowsOnAOneInFourTick) {
    std::set<int> columns, rowOffsets;
    int openingTicks = 0, ticks = 0;
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        TTable tt(1300, seed);
        TGame& g = tt.Game;
        g.AIOpeningPending = true;
        g.SpotPos[1] = {40, 25};
        g.SpotPos[2] = {50, 50};
        g.SpotPos[3] = {60, 74};
        tt.SetTubes({5, 6, 7, 8, 9});
        tt.Put(90, 10, Red);  // what the advance would reinforce
        tt.Put(50, 90, Red);  // what the flank guard would reinforce
        tt.Put(55, 90, Blue);
        TRandom replay(seed);
        bool opened = false;
        while (!opened) {
            ++ticks;
            opened = replay.Below(20) < 5;
            g.AItimerTimer();
            ASSERT_EQ(g.AIOpeningPending, !opened) << seed;
            if (!opened) {
                for (int t = 1; t <= 5; ++t) ASSERT_EQ(tt.Size(t), t + 4);
            }
        }
        ++openingTicks;
        const int x1 = replay.Below(5) + 15;
        const int y1 = replay.Below(4) + 25 - 2;
        EXPECT_EQ(tt.Centres(5), (Cells{{x1, y1}})) << seed;
        for (int t = 1; t <= 3; ++t) {
            EXPECT_TRUE(tt.Emptied(t)) << seed;
            const Cells c = tt.Centres(t + 4);
            ASSERT_EQ(c.size(), 1u) << seed << " tube " << t;
            EXPECT_GE(c[0].first, 15);
            EXPECT_LE(c[0].first, 19);
            const int dy = c[0].second - g.SpotPos[t].Y;
            EXPECT_GE(dy, -2);
            EXPECT_LE(dy, 1);
            columns.insert(c[0].first);
            rowOffsets.insert(dy);
        }
        EXPECT_EQ(tt.Size(4), 8);
        EXPECT_EQ(tt.Size(5), 9);
        EXPECT_EQ(g.Grid(90, 10).Strength, 1);
        // After the opening the rest of the plan takes over: the flank guard
        // comes within a few ticks, and the opening is not played again.
        for (int i = 0; i < 40 && tt.Size(4) == 8 && tt.Size(5) == 9; ++i) g.AItimerTimer();
        EXPECT_TRUE(tt.Emptied(4) || tt.Emptied(5)) << seed;
        EXPECT_FALSE(g.AIOpeningPending);
    }
    EXPECT_EQ(columns, (std::set<int>{15, 16, 17, 18, 19}));
    EXPECT_EQ(rowOffsets, (std::set<int>{-2, -1, 0, 1}));
    // One tick in four opens.
    EXPECT_GT(openingTicks * 100 / ticks, 20);
    EXPECT_LT(openingTicks * 100 / ticks, 30);
}

// An opening target that is blue or gray leaves that tube full; the tube is
// used later by the plan once the opening is over.
TEST(ComputerOpening, BlueOrGrayTargetLeavesTheTubeFull) {
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        TTable tt(1300, seed);
        TGame& g = tt.Game;
        g.AIOpeningPending = true;
        tt.SetTubes({5, 6, 7, 0, 0});
        tt.Fill(15, 19, 48, 51, Blue);      // around spot 2's row 50
        tt.Fill(15, 19, 68, 71, GraySpot);  // around spot 3's row 70
        while (g.AIOpeningPending) g.AItimerTimer();
        EXPECT_TRUE(tt.Emptied(1));
        EXPECT_EQ(tt.Size(2), 6);
        EXPECT_EQ(tt.Size(3), 7);
        EXPECT_EQ(tt.Count(17, Blue), 4);
        EXPECT_EQ(tt.Count(17, GraySpot), 4);

        // Next tick: no red near spot 2 for the push, so the advance takes tube 2
        // to the red cell in column 90; tube 3 is left, since an injection was made.
        tt.Put(90, 40, Red);
        g.AItimerTimer();
        EXPECT_TRUE(tt.Emptied(2)) << seed;
        EXPECT_EQ(tt.Centres(6), (Cells{{90, 40}})) << seed;
        EXPECT_EQ(tt.Size(3), 7);
    }
}

// An opening target already red is reinforced like an empty one.
TEST(ComputerOpening, RedTargetIsReinforced) {
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        TTable tt(1300, seed);
        TGame& g = tt.Game;
        g.AIOpeningPending = true;
        tt.SetTubes({5, 0, 0, 0, 0});
        tt.Fill(15, 19, 28, 31, Red);  // around spot 1's row 30
        TRandom replay(seed);
        while (replay.Below(20) >= 5) {
        }
        const int x = replay.Below(5) + 15;
        const int y = replay.Below(4) + 28;
        while (g.AIOpeningPending) g.AItimerTimer();
        EXPECT_TRUE(tt.Emptied(1));
        EXPECT_EQ(tt.Centres(5), (Cells{{x, y}})) << seed;
    }
}

// At rating 1000 the computer never plays an opening.
TEST(ComputerOpening, NeverAtRating1000) {
    TTable tt(1000, 5);
    TGame& g = tt.Game;
    g.AIOpeningPending = true;
    tt.SetTubes({3, 3, 4, 5, 7});  // all below the sizes random play needs
    for (int i = 0; i < 200; ++i) g.AItimerTimer();
    EXPECT_TRUE(g.AIOpeningPending);
    EXPECT_EQ(tt.Count(17, Red), 0);
    EXPECT_EQ(tt.Size(1), 3);
}

// ---- Flank guard ------------------------------------------------------------

// Tubes 4 and 5 (size 4 or more) reinforce a red cell in column 10k that has
// blue five columns to its right, each column taken on a coin; once tube 4
// has injected, tube 5 stays silent in that tick.
TEST(ComputerFlankGuard, TubeFiveIsSilentAfterTubeFourInjected) {
    int byTube4 = 0, byTube5 = 0;
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        TTable tt(1300, seed);
        TGame& g = tt.Game;
        tt.SetTubes({0, 0, 0, 6, 7});
        tt.Put(10, 50, Red);
        tt.Put(15, 50, Blue);
        tt.Put(10, 80, Red);  // a second contact tube 5 would find
        tt.Put(15, 80, Blue);
        TRandom replay(seed);
        const bool tube4 = replay.Below(2) == 0;  // column 10 is taken first
        bool tube5 = false;
        if (!tube4) {
            for (int k = 2; k <= 5; ++k) replay.Below(2);  // columns 20..50: nothing there
            tube5 = replay.Below(2) == 0;
        }
        g.AItimerTimer();
        EXPECT_EQ(tt.Emptied(4), tube4) << seed;
        EXPECT_EQ(tt.Emptied(5), tube5) << seed;
        if (tube4) {
            EXPECT_EQ(tt.Centres(6), (Cells{{10, 50}}));
            EXPECT_EQ(tt.Size(5), 7);
            EXPECT_EQ(g.Grid(15, 80).Owner, Blue);
        }
        if (tube5) {
            EXPECT_EQ(tt.Centres(7), (Cells{{10, 50}}));
        }
        byTube4 += tube4;
        byTube5 += tube5;
    }
    EXPECT_GT(byTube4, 0);
    EXPECT_GT(byTube5, 0);
}

// The guard needs blue exactly five columns right of red, a column that is a
// multiple of 10 up to 50, rows 5..95 and a tube of size 4 or more.
TEST(ComputerFlankGuard, IgnoresOtherContactsAndSmallTubes) {
    for (uint64_t seed = 1; seed <= 60; ++seed) {
        TTable tt(1300, seed);
        tt.SetTubes({0, 0, 0, 3, 5});
        tt.Put(20, 30, Red);
        tt.Put(21, 30, Blue);  // blue directly beside, not five away
        tt.Put(25, 40, Red);
        tt.Put(30, 40, Blue);  // column 25 is not watched
        tt.Put(60, 50, Red);
        tt.Put(65, 50, Blue);  // column 60 is beyond the guard
        tt.Put(30, 96, Red);
        tt.Put(35, 96, Blue);  // rows 4 and 96 are outside 5..95
        tt.Put(40, 4, Red);
        tt.Put(45, 4, Blue);
        for (int i = 0; i < 5; ++i) tt.Game.AItimerTimer();
        EXPECT_EQ(tt.Size(4), 3);
        EXPECT_EQ(tt.Size(5), 5);

        // With a real contact the small tube 4 is still skipped and tube 5 acts.
        tt.Put(40, 60, Red);
        tt.Put(45, 60, Blue);
        for (int i = 0; i < 40 && tt.Size(5) != 0; ++i) tt.Game.AItimerTimer();
        EXPECT_EQ(tt.Size(4), 3);
        EXPECT_TRUE(tt.Emptied(5));
        EXPECT_EQ(tt.Centres(5), (Cells{{40, 60}}));
    }
}

// ---- Spot push and advance ---------------------------------------------------

// The spot push injects at the nearest red cell left of a point near the spot,
// walking along its row down to column 10; after it the advance is skipped.
TEST(ComputerSpotPush, InjectsAtTheNearestRedCellInLineWithTheSpot) {
    std::set<int> rows;
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        TTable tt(1300, seed);
        TGame& g = tt.Game;
        tt.SetTubes({5, 0, 0, 0, 0});
        g.SpotPos[1] = {50, 50};
        tt.Fill(30, 30, 45, 54, Red);
        tt.Fill(20, 20, 45, 54, Red);
        tt.Put(90, 20, Red);
        TRandom replay(seed);
        replay.Below(4);  // the column of the point near the spot
        const int y = replay.Below(10) + 45;
        g.AItimerTimer();
        EXPECT_TRUE(tt.Emptied(1));
        EXPECT_EQ(tt.Centres(5), (Cells{{30, y}})) << seed;
        EXPECT_EQ(g.Grid(90, 20).Strength, 1);  // no advance after the push
        rows.insert(y);
    }
    EXPECT_EQ(rows.size(), 10u);
}

// The push does nothing when red already stands five columns short of its
// point or no red cell lies in columns 10..x of the row; then the advance acts.
TEST(ComputerSpotPush, GivesWayToTheAdvanceWhenItHasNothingToDo) {
    for (uint64_t seed = 1; seed <= 100; ++seed) {
        TTable tt(1300, seed);
        TGame& g = tt.Game;
        tt.SetTubes({5, 6, 0, 0, 0});
        g.SpotPos[1] = {50, 50};
        g.SpotPos[2] = {60, 20};
        tt.Fill(30, 30, 45, 54, Red);
        tt.Fill(43, 46, 45, 54, Red);  // red five short of every point of spot 1
        tt.Fill(5, 9, 15, 24, Red);    // left of column 10: not reached by the walk
        tt.Put(90, 70, Red);
        g.AItimerTimer();
        EXPECT_TRUE(tt.Emptied(1)) << seed;
        EXPECT_EQ(tt.Centres(5), (Cells{{90, 70}})) << seed;
        EXPECT_EQ(tt.Size(2), 6);  // its push found nothing, its advance was suppressed
        EXPECT_EQ(g.Grid(30, 50).Strength, 1);
    }
}

// The advance reinforces the farthest of columns 90, 80, 70, 60, 50 that holds
// red, scanning it downward on a 0 and upward on a 1.
TEST(ComputerAdvance, ReinforcesTheFarthestColumnFromARandomEnd) {
    int down = 0, up = 0;
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        TTable tt(1300, seed);
        TGame& g = tt.Game;
        tt.SetTubes({5, 6, 0, 0, 0});
        g.SpotPos[1] = {30, 50};
        g.SpotPos[2] = {30, 50};
        tt.Put(50, 10, Red);
        tt.Put(70, 20, Red);
        tt.Put(70, 80, Red);
        tt.Put(90, 96, Red);  // outside rows 5..95
        tt.Put(80, 4, Red);
        TRandom replay(seed);
        replay.Below(4);
        replay.Below(10);  // tube 1's push: nothing in its row
        replay.Below(2);   // column 90
        replay.Below(2);   // column 80
        const int row = replay.Below(2) == 0 ? 20 : 80;
        g.AItimerTimer();
        EXPECT_TRUE(tt.Emptied(1));
        EXPECT_EQ(tt.Centres(5), (Cells{{70, row}})) << seed;
        EXPECT_EQ(g.Grid(70, 100 - row).Strength, 1);
        EXPECT_EQ(g.Grid(50, 10).Strength, 1);
        EXPECT_EQ(tt.Size(2), 6);
        down += row == 20;
        up += row == 80;
    }
    EXPECT_GT(down, 0);
    EXPECT_GT(up, 0);
}

// An injection by the flank guard suppresses the advance of tubes 1..3 in the
// same tick; without it the advance runs.
TEST(ComputerAdvance, IsSuppressedByAFlankGuardInjection) {
    int guarded = 0;
    for (uint64_t seed = 1; seed <= 100; ++seed) {
        TTable tt(1300, seed);
        TGame& g = tt.Game;
        tt.SetTubes({5, 0, 0, 4, 0});
        tt.Put(10, 50, Red);
        tt.Put(15, 50, Blue);
        tt.Put(90, 20, Red);
        TRandom replay(seed);
        const bool guard = replay.Below(2) == 0;
        g.AItimerTimer();
        EXPECT_EQ(tt.Emptied(4), guard);
        EXPECT_EQ(tt.Emptied(1), !guard) << seed;
        EXPECT_EQ(tt.Centres(5), (guard ? Cells{} : Cells{{90, 20}})) << seed;
        guarded += guard;
    }
    EXPECT_GT(guarded, 0);
    EXPECT_LT(guarded, 100);
}

// The plan leaves tubes below size 4 alone.
TEST(ComputerAdvance, PlanSkipsTubesBelowSizeFour) {
    TTable tt(2800, 3);
    tt.SetTubes({3, 3, 3, 3, 3});
    tt.Fill(50, 90, 1, 100, Red);
    tt.Put(10, 50, Red);
    tt.Put(15, 50, Blue);
    for (int i = 0; i < 10; ++i) tt.Game.AItimerTimer();
    for (int t = 1; t <= 5; ++t) EXPECT_EQ(tt.Size(t), 3);
}

// ---- Random play ------------------------------------------------------------

// At rating 1000 a tube gets up to eleven random tries at cells 5..94; a try
// succeeds on a red cell, or on an empty one in columns up to 25.
TEST(ComputerRandomPlay, InjectsAtTheFirstRedOrEmptyHomeCellTried) {
    int injected = 0;
    for (uint64_t seed = 1; seed <= 400; ++seed) {
        TTable tt(1000, seed);
        TGame& g = tt.Game;
        tt.SetTubes({4, 0, 0, 0, 0});
        const bool homeEmpty = seed % 2 == 0;
        if (!homeEmpty) tt.Fill(1, 25, 1, 100, seed % 4 == 1 ? Blue : GraySpot);
        tt.Fill(60, 69, 60, 69, Red);
        TRandom replay(seed);
        Cells expected;
        for (int i = 0; i < 11 && expected.empty(); ++i) {
            const int x = replay.Below(90) + 5;
            const int y = replay.Below(90) + 5;
            const bool red = x >= 60 && x <= 69 && y >= 60 && y <= 69;
            if (red || (homeEmpty && x <= 25)) expected = {{x, y}};
        }
        g.AItimerTimer();
        EXPECT_EQ(tt.Centres(4), expected) << seed;
        EXPECT_EQ(tt.Emptied(1), !expected.empty()) << seed;
        injected += !expected.empty();
    }
    EXPECT_GT(injected, 100);
}

// Random play uses tubes 1 and 2 from size 4, tube 3 from 5, tube 4 from 6
// and tube 5 from 8.
TEST(ComputerRandomPlay, NeedsTubeSizesFourFourFiveSixEight) {
    std::array<int, 6> used{};
    for (uint64_t seed = 1; seed <= 100; ++seed) {
        TTable below(1000, seed);
        below.SetTubes({3, 3, 4, 5, 7});
        below.Game.AItimerTimer();
        for (int t = 1; t <= 5; ++t) EXPECT_NE(below.Size(t), 0) << seed;

        TTable at(1000, seed);
        at.SetTubes({4, 4, 5, 6, 8});
        at.Game.AItimerTimer();
        for (int t = 1; t <= 5; ++t) used[t] += at.Emptied(t);
    }
    for (int t = 1; t <= 5; ++t) EXPECT_GT(used[t], 50) << t;
}

// Only rating 1000 plays at random: from 1300 on, an empty board leaves
// every tube full.
TEST(ComputerRandomPlay, OnlyAtRating1000) {
    for (int32_t rating : {1300, 1600, 1900, 2200, 2500, 2800}) {
        TTable tt(rating, 9);
        tt.SetTubes({10, 10, 10, 10, 10});
        for (int i = 0; i < 30; ++i) tt.Game.AItimerTimer();
        for (int t = 1; t <= 5; ++t) EXPECT_EQ(tt.Size(t), 10) << rating;
    }
    TTable weakest(1000, 9);
    weakest.SetTubes({10, 10, 10, 10, 10});
    for (int i = 0; i < 30; ++i) weakest.Game.AItimerTimer();
    int emptied = 0;
    for (int t = 1; t <= 5; ++t) emptied += weakest.Emptied(t);
    EXPECT_EQ(emptied, 5);
}
