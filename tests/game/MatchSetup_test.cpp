// Match setup: the start image, the chooser and its wait, the reset of the
// previous game, the computer's kinds, the countdown and the gray spots.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "TGame.h"
#include "VirtualHost.h"

namespace {

const std::string AdvantageMessage =
    "You have the avantage. The Gray super energi spots will be placed closer to you in this "
    "game make sure you win as fast as possible.";

// A virtual host that fails a setup which keeps waiting after the window
// has closed (it would spin for ever, since every wait then returns at once).
struct TClosingHost : VirtualHost {
    int WaitsAfterClose = 0;
    void WaitMs(int ms) override {
        if (Terminated() && ++WaitsAfterClose > 100)
            throw std::runtime_error("setup keeps waiting after the window closed");
        VirtualHost::WaitMs(ms);
    }
};

// A game whose chooser is answered by a scripted click on "Done".
struct TSetup {
    TClosingHost Host;
    TGame Game{Host};
    int Choice1 = 0;
    int Choice2 = 1;
    int64_t ClickAt = 0;               // earliest virtual time of the click
    bool Click = true;                 // false: never click
    std::function<void()> AtChooser;   // runs once when the chooser is first seen
    int ChooserShown = 0;

    TSetup() {
        Host.OnEvent = [this] {
            if (!Game.Screen.DIBContainer3.Visible || Game.InjectionChoiceDone) return;
            if (!Seen) {
                Seen = true;
                ++ChooserShown;
                if (AtChooser) AtChooser();
            }
            if (Click && Host.TickCount() >= ClickAt) {
                Game.Screen.ComboBox1.ItemIndex = Choice1;
                Game.Screen.ComboBox2.ItemIndex = Choice2;
                Game.dxButton1Click();
                Seen = false;
            }
        };
    }

    // Gray cells of the grid as (x, y) pairs.
    std::vector<std::pair<int, int>> GrayCells() {
        std::vector<std::pair<int, int>> cells;
        for (int x = 0; x < GridSize; ++x)
            for (int y = 0; y < GridSize; ++y)
                if (Game.Grid(x, y).Owner == GraySpot) cells.push_back({x, y});
        return cells;
    }

private:
    bool Seen = false;
};

// The three spots must form exactly the 5 x 5 squares around SpotPos shifted
// by `shift` columns, strength 3 - ring, the first spot keeping the cells two
// spots share; every other cell stays empty.
void ExpectSpotsAt(TGame& g, int shift) {
    std::array<int, GridSize * GridSize> expected;
    expected.fill(-1);
    for (int k = 1; k <= 3; ++k)
        for (int dx = -2; dx <= 2; ++dx)
            for (int dy = -2; dy <= 2; ++dy) {
                const int x = g.SpotPos[k].X + shift + dx;
                const int y = g.SpotPos[k].Y + dy;
                ASSERT_TRUE(x >= 1 && x <= 100 && y >= 1 && y <= 100);
                int& e = expected[static_cast<size_t>(y * GridSize + x)];
                if (e < 0) e = 3 - std::max(std::abs(dx), std::abs(dy));
            }
    for (int x = 0; x < GridSize; ++x)
        for (int y = 0; y < GridSize; ++y) {
            const TCell& c = g.Grid(x, y);
            const int e = expected[static_cast<size_t>(y * GridSize + x)];
            if (e < 0) {
                ASSERT_EQ(c.Owner, Empty) << x << "," << y;
            } else {
                ASSERT_EQ(c.Owner, GraySpot) << x << "," << y;
                ASSERT_EQ(c.Strength, e) << x << "," << y;
                // (Random(7) + 3) x 2
                ASSERT_TRUE(c.Vitality % 2 == 0 && c.Vitality >= 6 && c.Vitality <= 18)
                    << x << "," << y << " vitality " << int(c.Vitality);
            }
        }
}

}  // namespace

// The start image of a series: counter 3 (2 once the first game is set up),
// both winning times cleared and the advantage message shown until the
// countdown ends, whatever the label said before.
TEST(StartImage, ASeriesStartsWithTheAdvantageMessageAndClearTimes) {
    TSetup s;
    TGame& g = s.Game;
    g.HumanWinTime = 5000;
    g.ComputerWinTime = 7000;
    g.Screen.RxLabel16.Caption = "You lost. You used 5 to win and the ai used 7";
    int counter = -1;
    TLabelModel label;
    s.AtChooser = [&] {
        counter = g.SeriesCounter;
        label = g.Screen.RxLabel16;
        EXPECT_EQ(g.HumanWinTime, 0);
        EXPECT_EQ(g.ComputerWinTime, 0);
    };
    g.DIBImage2MouseUp();
    EXPECT_EQ(counter, 2);
    EXPECT_TRUE(label.Visible);
    EXPECT_EQ(label.Caption, AdvantageMessage);
    EXPECT_FALSE(g.Screen.RxLabel16.Visible);
    EXPECT_EQ(g.SeriesCounter, 2);
    EXPECT_EQ(g.AdvantageSide, 1);
}

// The start image of a single game: no series, the message hidden, the
// winning times and the advantage side left alone.
TEST(StartImage, ASingleGameHasNoSeries) {
    TSetup s;
    TGame& g = s.Game;
    g.GameMode = 1;
    g.SeriesCounter = 1;  // left over from a series
    g.HumanWinTime = 5000;
    g.AdvantageSide = 2;
    g.Screen.RxLabel16.Visible = true;
    s.AtChooser = [&] {
        EXPECT_EQ(g.SeriesCounter, 0);
        EXPECT_FALSE(g.Screen.RxLabel16.Visible);
    };
    g.DIBImage2MouseUp();
    EXPECT_EQ(s.ChooserShown, 1);
    EXPECT_EQ(g.SeriesCounter, 0);
    EXPECT_EQ(g.HumanWinTime, 5000);
    EXPECT_EQ(g.AdvantageSide, 2);
}

// Setup wipes the previous game before the chooser: board, counts, match
// time, the computer idle, both weapon buttons unspent, the chooser over the
// title screen with the five kinds preset to kinds 1 and 2.
TEST(SetUpMatch, ClearsThePreviousGameBeforeTheChooser) {
    TSetup s;
    TGame& g = s.Game;
    g.GameMode = 1;
    for (TCell& c : g.Grid.Cells) c = {Blue, 9, 4};
    g.CellCount[1] = 4000;
    g.SpotBonus[1] = 6;
    g.SpotBonus[2] = 8;
    g.MatchTime = 123456;
    g.AIActive = true;
    g.DragPlayer = 2;
    g.DropZoneLeft = 0;
    g.DropZoneRight = 1000;
    g.Screen.DIBImage6.Opacity = 10;
    g.Screen.DIBImage7.Opacity = 10;
    g.Screen.ComboBox1 = {{"stale"}, 0};
    s.AtChooser = [&] {
        for (const TCell& c : g.Grid.Cells) {
            ASSERT_EQ(c.Owner, Empty);
            ASSERT_EQ(c.Strength, 0);
            ASSERT_EQ(c.Vitality, 4);  // vitality is left as it was
        }
        EXPECT_EQ(g.CellCount[1], 0);
        EXPECT_EQ(g.SpotBonus[1], 0);
        EXPECT_EQ(g.SpotBonus[2], 0);
        EXPECT_EQ(g.MatchTime, 0);
        EXPECT_FALSE(g.AIActive);
        EXPECT_EQ(g.DragPlayer, 1);
        EXPECT_EQ(g.DropZoneLeft, 300);
        EXPECT_EQ(g.DropZoneRight, 400);
        EXPECT_EQ(g.Screen.DIBImage6.Opacity, 200);
        EXPECT_EQ(g.Screen.DIBImage7.Opacity, 200);
        EXPECT_FALSE(g.Screen.DIBContainer2.Visible);
        EXPECT_TRUE(g.Screen.DIBContainer3.Visible);
        const std::vector<std::string> names(std::begin(GlobalInjectionNames),
                                             std::end(GlobalInjectionNames));
        EXPECT_EQ(g.Screen.ComboBox1.Items, names);
        EXPECT_EQ(g.Screen.ComboBox2.Items, names);
        EXPECT_EQ(g.Screen.ComboBox1.ItemIndex, 0);
        EXPECT_EQ(g.Screen.ComboBox2.ItemIndex, 1);
        EXPECT_FALSE(g.DIBTimer1.Enabled());
        EXPECT_FALSE(g.DIBTimer2.Enabled());
    };
    g.DIBImage2MouseUp();
    EXPECT_EQ(s.ChooserShown, 1);
}

// After setup: every tube of every side 5 with 250 to grow, both super
// bacteria 12 and uncharged (the icon and its label keep the last game's
// state), the timers and the computer on, the match time 0, a clean staging
// buffer and the opening message.
TEST(SetUpMatch, StartsTheGameWithAFreshArsenalAndTheTimersOn) {
    TSetup s;
    TGame& g = s.Game;
    g.GameMode = 1;
    for (int p = 1; p <= 4; ++p)
        for (int j = 1; j <= 5; ++j) g.Tube[p][j] = {static_cast<uint8_t>(j * 2), -7};
    g.SuperSize[1] = 15;
    g.SuperSize[2] = 3;
    g.SuperCharge[1] = 1001;
    g.SuperCharge[2] = 5;
    g.Screen.bac1_S.Enabled = true;
    g.Screen.bac1_S.Opacity = 255;
    g.Screen.RxLabel7.Caption = "READY !!";
    g.Screen.DIBImage6.Enabled = false;
    g.AIOpeningPending = false;
    g.BandStart = 41;
    g.NextGrid(5, 5) = {Red, 3, 0};
    g.DIBImage2MouseUp();

    for (int p = 1; p <= 4; ++p)
        for (int j = 1; j <= 5; ++j) {
            EXPECT_EQ(g.Tube[p][j].Size, 5);
            EXPECT_EQ(g.Tube[p][j].Growth, 250);
        }
    EXPECT_EQ(g.SuperSize[1], 12);
    EXPECT_EQ(g.SuperSize[2], 12);
    EXPECT_EQ(g.SuperCharge[1], 0);
    EXPECT_EQ(g.SuperCharge[2], 0);
    EXPECT_TRUE(g.Screen.bac1_S.Enabled);
    EXPECT_EQ(g.Screen.bac1_S.Opacity, 255);
    EXPECT_EQ(g.Screen.RxLabel7.Caption, "READY !!");

    EXPECT_TRUE(g.DIBTimer1.Enabled());
    EXPECT_TRUE(g.DIBTimer2.Enabled());
    EXPECT_TRUE(g.TimerTaller.Enabled());
    EXPECT_TRUE(g.AItimer.Enabled());
    EXPECT_TRUE(g.Screen.DIBImage6.Enabled);
    EXPECT_TRUE(g.Screen.DIBImage7.Enabled);
    EXPECT_TRUE(g.AIActive);
    EXPECT_TRUE(g.AIOpeningPending);
    EXPECT_EQ(g.MatchTime, 0);
    EXPECT_EQ(g.BandStart, 101);
    for (const TCell& c : g.NextGrid.Cells) {
        ASSERT_EQ(c.Owner, 0);
        ASSERT_EQ(c.Strength, 0);
    }
    EXPECT_EQ(g.Screen.LBL_Action.Caption,
              "The war has begun. Inject your bacterias by dragging them to the playfield");
    EXPECT_FALSE(g.Screen.DIBContainer3.Visible);
    EXPECT_FALSE(g.Screen.DIBContainer2.Visible);
    EXPECT_FALSE(g.Screen.RxLabel2.Visible);

    // The first step tick comes one period after setup.
    const uint64_t refreshes = g.Screen.DIBImage1RefreshCount;
    s.Host.RunFor(49);
    EXPECT_EQ(g.Screen.DIBImage1RefreshCount, refreshes);
    s.Host.RunFor(1);
    EXPECT_EQ(g.Screen.DIBImage1RefreshCount, refreshes + 1);
}

// The chooser holds the setup until "Done", however long that takes, then the
// countdown shows 3, 2, 1 a second each over an empty board and the spots
// appear only after it.
TEST(SetUpMatch, WaitsForDoneThenCountsDown) {
    TSetup s;
    TGame& g = s.Game;
    g.GameMode = 1;
    s.ClickAt = 5000;
    std::vector<std::string> seen;
    auto look = [&] {
        std::string v = g.Screen.DIBContainer3.Visible ? "chooser " : "";
        v += g.Screen.RxLabel2.Visible ? g.Screen.RxLabel2.Caption : "-";
        v += s.GrayCells().empty() ? " empty" : " spots";
        v += g.DIBTimer1.Enabled() ? " running" : "";
        seen.push_back(v);
    };
    for (int64_t t : {4990, 5500, 6500, 7500}) s.Host.At(t, look);
    g.DIBImage2MouseUp();
    EXPECT_EQ(s.Host.TickCount(), 8000);
    look();
    EXPECT_EQ(seen, (std::vector<std::string>{"chooser 3 empty", "3 empty", "2 empty", "1 empty",
                                              "- spots running"}));
}

// Every game opens the chooser preset to kinds 1 and 2, not the last choice.
TEST(Chooser, EveryGameOpensWithTheSamePresets) {
    TSetup s;
    TGame& g = s.Game;
    g.GameMode = 1;
    s.Choice1 = 4;
    s.Choice2 = 4;
    std::vector<std::pair<int, int>> presets;
    s.AtChooser = [&] { presets.push_back({g.Screen.ComboBox1.ItemIndex, g.Screen.ComboBox2.ItemIndex}); };
    g.DIBImage2MouseUp();
    EXPECT_EQ(g.GlobalInjection[1][1], 5);
    EXPECT_EQ(g.GlobalInjection[1][2], 5);
    g.SetUpMatch();
    EXPECT_EQ(presets, (std::vector<std::pair<int, int>>{{0, 1}, {0, 1}}));
}

// The computer's kinds, drawn after re-seeding from the clock: two of 1..5 in
// a single game; in game 1 of a series one of 1..5 and one of 4..5, drawn
// after the first two; in game 2 two of 1..3. Every allowed kind turns up.
TEST(SetUpMatch, DrawsTheComputersKindsPerSeriesGame) {
    struct TCase {
        int CounterBefore;  // SeriesCounter when SetUpMatch starts
        std::set<int> First, Second;
    };
    const std::vector<TCase> cases = {
        {0, {1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}},
        {3, {1, 2, 3, 4, 5}, {4, 5}},
        {2, {1, 2, 3}, {1, 2, 3}},
    };
    for (const TCase& c : cases) {
        std::set<int> first, second;
        for (uint64_t seed = 1; seed <= 60; ++seed) {
            TSetup s;
            TGame& g = s.Game;
            g.SeriesCounter = static_cast<uint8_t>(c.CounterBefore);
            s.Host.Seed = seed * 7919;
            g.SetUpMatch();
            TRandom r(seed * 7919);
            int a = r.Below(5) + 1;
            int b = r.Below(5) + 1;
            if (g.SeriesCounter % 2 == 1) {
                a = r.Below(3) + 1;
                b = r.Below(3) + 1;
            } else if (g.SeriesCounter > 0) {
                a = r.Below(5) + 1;
                b = r.Below(2) + 4;
            }
            ASSERT_EQ(g.GlobalInjection[2][1], a) << "counter " << c.CounterBefore << " seed " << seed;
            ASSERT_EQ(g.GlobalInjection[2][2], b) << "counter " << c.CounterBefore << " seed " << seed;
            first.insert(a);
            second.insert(b);
        }
        EXPECT_EQ(first, c.First) << "counter " << c.CounterBefore;
        EXPECT_EQ(second, c.Second) << "counter " << c.CounterBefore;
    }
}

// The spots of a single game stay unshifted; game 1 of a series shifts them
// 20 columns toward the human and gives him the advantage, game 2 20 columns
// toward the computer. SpotPos keeps the centres as drawn.
TEST(PlaceGraySpots, ShiftsTowardTheSideWithTheAdvantage) {
    struct TCase {
        int Counter;  // SeriesCounter during the game
        int Shift;
        int Advantage;
    };
    for (const TCase& c : std::vector<TCase>{{0, 0, 7}, {2, 20, 1}, {1, -20, 2}}) {
        for (uint64_t seed = 1; seed <= 40; ++seed) {
            VirtualHost host;
            TGame g(host);
            g.AdvantageSide = 7;  // a single game leaves it alone
            g.SeriesCounter = static_cast<uint8_t>(c.Counter);
            host.Seed = seed;
            g.PlaceGraySpots();
            EXPECT_EQ(g.AdvantageSide, c.Advantage);
            ExpectSpotsAt(g, c.Shift);
            TRandom r(seed);
            EXPECT_EQ(g.SpotPos[1].X, r.Below(20) + 25);
            EXPECT_EQ(g.SpotPos[1].Y, r.Below(50) + 25);
            EXPECT_TRUE(host.Sounds.empty());  // placing a spot is silent
        }
    }
}

// Spot centres fall in their columns (25..44, 40..59, 55..74) and rows 25..74,
// so a single game's gray cells never leave 23..76; overlapping spots keep the
// first spot's cells, and such overlaps do occur.
TEST(PlaceGraySpots, StaysInItsBoxAndTheFirstSpotWinsOverlaps) {
    int overlaps = 0;
    for (uint64_t seed = 1; seed <= 1500; ++seed) {
        VirtualHost host;
        TGame g(host);
        host.Seed = seed;
        g.PlaceGraySpots();
        for (int k = 1; k <= 3; ++k) {
            ASSERT_GE(g.SpotPos[k].X, 15 * k + 10);
            ASSERT_LE(g.SpotPos[k].X, 15 * k + 29);
            ASSERT_GE(g.SpotPos[k].Y, 25);
            ASSERT_LE(g.SpotPos[k].Y, 74);
        }
        for (int x = 0; x < GridSize; ++x)
            for (int y = 0; y < GridSize; ++y)
                if (g.Grid(x, y).Owner == GraySpot) {
                    ASSERT_TRUE(x >= 23 && x <= 76 && y >= 23 && y <= 76) << x << "," << y;
                }
        bool overlap = false;
        for (int k = 1; k <= 2; ++k)
            for (int m = k + 1; m <= 3; ++m)
                if (std::abs(g.SpotPos[k].X - g.SpotPos[m].X) <= 4 &&
                    std::abs(g.SpotPos[k].Y - g.SpotPos[m].Y) <= 4)
                    overlap = true;
        if (overlap) {
            ++overlaps;
            ExpectSpotsAt(g, 0);
        }
    }
    EXPECT_GT(overlaps, 0);
}

// Closing the window while the chooser waits ends the setup at once: no
// countdown, no spots, no timers, the computer still idle.
TEST(SetUpMatch, EndsAtOnceWhenClosedDuringTheChooser) {
    TSetup s;
    TGame& g = s.Game;
    s.Click = false;
    s.AtChooser = [&] { s.Host.Terminate(); };
    EXPECT_NO_THROW(g.DIBImage2MouseUp());
    EXPECT_EQ(s.Host.WaitsAfterClose, 0);
    EXPECT_LE(s.Host.TickCount(), 10);
    EXPECT_FALSE(g.InjectionChoiceDone);
    EXPECT_TRUE(s.GrayCells().empty());
    EXPECT_FALSE(g.DIBTimer1.Enabled());
    EXPECT_FALSE(g.DIBTimer2.Enabled());
    EXPECT_FALSE(g.AItimer.Enabled());
    EXPECT_FALSE(g.AIActive);
}

// Closing the window during the countdown ends the setup there.
TEST(SetUpMatch, EndsAtOnceWhenClosedDuringTheCountdown) {
    TSetup s;
    TGame& g = s.Game;
    s.Host.At(1500, [&] { s.Host.Terminate(); });
    EXPECT_NO_THROW(g.DIBImage2MouseUp());
    EXPECT_EQ(s.Host.WaitsAfterClose, 0);
    EXPECT_EQ(s.Host.TickCount(), 1500);
    EXPECT_EQ(g.Screen.RxLabel2.Caption, "2");
    EXPECT_TRUE(s.GrayCells().empty());
    EXPECT_FALSE(g.DIBTimer1.Enabled());
    EXPECT_FALSE(g.AItimer.Enabled());
    EXPECT_FALSE(g.AIActive);
}
