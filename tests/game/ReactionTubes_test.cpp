// The tube timer: tube icons and hints, the match time with its tick sound,
// and the charging of the human's super bacterium.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TGame.h"
#include "VirtualHost.h"

namespace {

const std::string ReadyHint = "Bacterias formed and ready for injection, curent bacteria size :";
const std::string EmptyHint = "No bacterias formed yet in this reaction tube";

struct TTubes {
    VirtualHost Host;
    TGame Game{Host};
    TTubes() {
        Game.TimerTaller.SetEnabled(false);  // only the tube timer runs here
    }
    // One tube tick at the current step interval, as the timer would run it.
    void Tick() { Game.DIBTimer2Timer(); }
    // Tube ticks until the match time reaches `ms`.
    void TickTo(int32_t ms) {
        while (Game.MatchTime < ms) Tick();
    }
};

}  // namespace

// Every tick takes five step periods as its own interval, adds them to the
// match time and shows the whole seconds after "Time :".
TEST(TubeTimer, AdvancesTheMatchTimeByFiveStepPeriods) {
    TTubes t;
    t.Game.DIBTimer1.SetInterval(50);
    t.Tick();
    EXPECT_EQ(t.Game.DIBTimer2.Interval(), 250);
    EXPECT_EQ(t.Game.MatchTime, 250);
    EXPECT_EQ(t.Game.Screen.RxLabel9.Caption, "Time :0");
    t.Game.RxSlider1Change(300);
    t.Tick();
    EXPECT_EQ(t.Game.DIBTimer2.Interval(), 1500);
    EXPECT_EQ(t.Game.MatchTime, 1750);
    EXPECT_EQ(t.Game.Screen.RxLabel9.Caption, "Time :1");
}

// On the virtual clock the match time keeps pace with real time at any speed.
TEST(TubeTimer, MatchTimeFollowsTheClockAtEverySpeed) {
    for (int speed : {25, 50, 125, 500}) {
        TTubes t;
        t.Game.RxSlider1Change(speed);
        t.Game.DIBTimer2.SetInterval(5 * speed);
        t.Game.DIBTimer2.SetEnabled(true);
        t.Host.RunFor(60000);
        EXPECT_EQ(t.Game.MatchTime, 60000) << speed;
    }
}

// The tick sound plays once per 4000 ms of match time: at the default speed on
// the exact multiples, at 500 ms on the first tick past each multiple.
TEST(TubeTimer, TickSoundEveryFourSeconds) {
    std::vector<int32_t> at;
    TTubes u;
    while (u.Game.MatchTime < 20000) {
        const size_t n = u.Host.Sounds.size();
        u.Tick();
        if (u.Host.Sounds.size() > n) at.push_back(u.Game.MatchTime);
    }
    EXPECT_EQ(at, (std::vector<int32_t>{4000, 8000, 12000, 16000, 20000}));

    TTubes slow;
    slow.Game.RxSlider1Change(500);
    at.clear();
    while (slow.Game.MatchTime < 40000) {
        const size_t n = slow.Host.Sounds.size();
        slow.Tick();
        if (slow.Host.Sounds.size() > n) at.push_back(slow.Game.MatchTime);
    }
    EXPECT_EQ(at, (std::vector<int32_t>{5000, 10000, 12500, 17500, 20000, 25000, 30000, 32500,
                                        37500, 40000}));
    for (const auto& s : slow.Host.Sounds) {
        EXPECT_EQ(s.List, TWaveList::Mwav);
        EXPECT_EQ(s.Index, 0);
    }
}

// A change of speed that leaves the match time off the multiples of 4000 does
// not silence the tick sound: three 125 ms ticks (625 each), then 250 ms ticks.
TEST(TubeTimer, TickSoundSurvivesASpeedChange) {
    TTubes t;
    t.Game.RxSlider1Change(125);
    for (int i = 0; i < 3; ++i) t.Tick();
    ASSERT_EQ(t.Game.MatchTime, 1875);
    t.Game.RxSlider1Change(250);
    std::vector<int32_t> at;
    while (t.Game.MatchTime < 20000) {
        const size_t n = t.Host.Sounds.size();
        t.Tick();
        if (t.Host.Sounds.size() > n) at.push_back(t.Game.MatchTime);
    }
    EXPECT_EQ(at, (std::vector<int32_t>{4375, 8125, 13125, 16875, 20625}));
}

// Nothing charges up to 30 s (30000 itself included); at the default speed
// the first charge step comes at 32 s and then one every 2 s.
TEST(SuperBacterium, ChargesEveryTwoSecondsAfterThirtySeconds) {
    TTubes t;
    t.Game.CellCount[1] = 5000;  // 50 percent: +2 per step, no bonus
    t.TickTo(30000);
    EXPECT_EQ(t.Game.SuperCharge[1], 0);
    EXPECT_TRUE(t.Game.Screen.DIBImage8.Visible);
    t.TickTo(31750);
    EXPECT_EQ(t.Game.SuperCharge[1], 0);
    t.Tick();
    EXPECT_EQ(t.Game.MatchTime, 32000);
    EXPECT_EQ(t.Game.SuperCharge[1], 2);
    EXPECT_FALSE(t.Game.Screen.DIBImage8.Visible);
    t.TickTo(60000);
    EXPECT_EQ(t.Game.SuperCharge[1], 2 * 15);  // 32, 34, ..., 60
}

// One charge step by share: (61 - pct) div 4 first, the opacity and the label
// from that value, then 40 - pct more below 40 percent; 60 percent or more
// charges nothing (the blue tint is hidden all the same).
TEST(SuperBacterium, OneChargeStepFollowsTheShare) {
    struct TCase {
        int Cells;  // CellCount[1]
        int Start;
        int Charge;
        int Opacity;
        std::string Label;
    };
    const std::vector<TCase> cases = {
        {5000, 100, 102, 20, "10% finished"},       // 50 %: +2
        {5999, 100, 100, 20, "10% finished"},       // 59 %: 2 div 4 = 0
        {4000, 100, 105, 21, "10% finished"},       // 40 %: +5, no bonus
        {3999, 100, 106, 21, "10% finished"},       // 39 %: +5 (label 105), then +1
        {1000, 100, 142, 22, "11% finished"},       // 10 %: +12 (112), then +30
        {0, 0, 55, 3, "1% finished"},               // 0 %: +15, then +40
        {6000, 100, 100, 10, "0% finished"},        // 60 %: nothing
        {9999, 100, 100, 10, "0% finished"},        // 99 %: nothing
    };
    for (const TCase& c : cases) {
        TTubes t;
        t.Game.CellCount[1] = c.Cells;
        t.Game.SuperCharge[1] = c.Start;
        t.Game.MatchTime = 31750;
        t.Tick();
        ASSERT_EQ(t.Game.MatchTime, 32000);
        EXPECT_FALSE(t.Game.Screen.DIBImage8.Visible);
        EXPECT_EQ(t.Game.SuperCharge[1], c.Charge) << c.Cells;
        EXPECT_EQ(t.Game.Screen.bac1_S.Opacity, c.Opacity) << c.Cells;
        EXPECT_EQ(t.Game.Screen.RxLabel7.Caption, c.Label) << c.Cells;
        EXPECT_FALSE(t.Game.Screen.bac1_S.Enabled);
    }
}

// Ready only above 1000: 1000 itself is not ready; once above, the charge
// holds at 1001, the icon is enabled and reads "READY !!", and further ticks
// change nothing.
TEST(SuperBacterium, BecomesReadyAboveOneThousand) {
    TTubes t;
    t.Game.CellCount[1] = 5000;  // +2 per step
    t.Game.SuperCharge[1] = 998;
    t.Game.MatchTime = 31750;
    t.Tick();
    EXPECT_EQ(t.Game.SuperCharge[1], 1000);
    EXPECT_FALSE(t.Game.Screen.bac1_S.Enabled);
    EXPECT_EQ(t.Game.Screen.RxLabel7.Caption, "100% finished");
    t.TickTo(34000);
    EXPECT_EQ(t.Game.SuperCharge[1], 1001);
    EXPECT_TRUE(t.Game.Screen.bac1_S.Enabled);
    EXPECT_EQ(t.Game.Screen.bac1_S.Opacity, 200);  // 1002 div 5, set before readiness
    EXPECT_EQ(t.Game.Screen.RxLabel7.Caption, "READY !!");

    t.Game.CellCount[1] = 0;
    t.Game.Screen.bac1_S.Opacity = 255;
    t.TickTo(60000);
    EXPECT_EQ(t.Game.SuperCharge[1], 1001);
    EXPECT_EQ(t.Game.Screen.bac1_S.Opacity, 255);
    EXPECT_EQ(t.Game.Screen.RxLabel7.Caption, "READY !!");
}

// At the slowest speed (2500 ms per tick) the charge still steps once per tick
// that passes a multiple of 2000, never twice in one tick.
TEST(SuperBacterium, AtMostOneChargeStepPerTick) {
    TTubes t;
    t.Game.RxSlider1Change(500);
    t.Game.CellCount[1] = 5000;  // +2 per step
    t.Game.MatchTime = 29250;    // next ticks: 31750 (passes 30000), 34250 (32000 and 34000)
    t.Tick();
    EXPECT_EQ(t.Game.SuperCharge[1], 2);
    t.Tick();
    EXPECT_EQ(t.Game.MatchTime, 34250);
    EXPECT_EQ(t.Game.SuperCharge[1], 4);
}

// After a speed change that leaves the match time off the even seconds, the
// charge keeps stepping once per 2 s of match time.
TEST(SuperBacterium, ChargeSurvivesASpeedChange) {
    TTubes t;
    t.Game.CellCount[1] = 5000;
    t.Game.RxSlider1Change(125);
    for (int i = 0; i < 3; ++i) t.Tick();  // 1875
    t.Game.RxSlider1Change(50);
    t.TickTo(60125);
    // Steps at the first tick past each multiple of 2000 from 30000 on: 30125 .. 60125.
    EXPECT_EQ(t.Game.SuperCharge[1], 2 * 16);
}

// Every icon shows its tube's size; a formed bacterium gives the ready hint
// with the size and enables the icon, an empty tube the other hint and disables it.
TEST(TubeIcons, FollowTheTubeSizes) {
    TTubes t;
    const int sizes[2][5] = {{0, 1, 5, 9, 10}, {10, 0, 3, 0, 7}};
    for (int p = 1; p <= 2; ++p)
        for (int j = 1; j <= 5; ++j) t.Game.Tube[p][j].Size = static_cast<uint8_t>(sizes[p - 1][j - 1]);
    t.Tick();
    for (int p = 1; p <= 2; ++p)
        for (int j = 1; j <= 5; ++j) {
            const int size = sizes[p - 1][j - 1];
            const TSpriteModel& icon =
                p == 1 ? t.Game.Screen.HumanTubeIcon(j) : t.Game.Screen.ComputerTubeIcon(j);
            EXPECT_EQ(icon.ImageIndex, size) << p << "/" << j;
            EXPECT_EQ(icon.Enabled, size > 0) << p << "/" << j;
            EXPECT_EQ(icon.Hint, size > 0 ? ReadyHint + std::to_string(size) : EmptyHint) << p << "/" << j;
        }
    EXPECT_EQ(t.Game.Screen.Bac1_1.Hint, EmptyHint);
    EXPECT_EQ(t.Game.Screen.bac1_5.Hint,
              "Bacterias formed and ready for injection, curent bacteria size :10");
}

// Tubes grow on the generation's energy and the icons show it at the next tube
// tick: from setup (5, 250 to go) a share of 250 reaches size 6; an emptied
// tube needs 50 to show size 1.
TEST(TubeIcons, ShowTubeGrowthAtTheNextTick) {
    TTubes t;
    for (int j = 1; j <= 5; ++j) t.Game.Tube[1][j] = {5, 250};
    t.Game.Tube[1][3] = {0, 50};
    t.Game.Energy[1] = 5 * 250;
    t.Game.FeedTubes();
    t.Tick();
    EXPECT_EQ(t.Game.Screen.Bac1_1.ImageIndex, 6);
    EXPECT_EQ(t.Game.Screen.Bac1_1.Hint, ReadyHint + "6");
    EXPECT_EQ(t.Game.Screen.bac1_3.ImageIndex, 1);
    EXPECT_TRUE(t.Game.Screen.bac1_3.Enabled);
}
