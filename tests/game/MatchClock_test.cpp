// The match clock: the home-line tests, the two end sequences, the way on to
// the next game of a series or the title screen, and the results they call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TGame.h"
#include "VirtualHost.h"

namespace {

const std::string AdvantageLost = "You had the advantage so you should have won. Game over. you lost";

// A running game on a hand-made board. The step and tube timers are on but
// with a period so long that they never tick, so only the clock acts.
struct TClock {
    VirtualHost Host;
    TGame Game{Host};

    explicit TClock(int mode) {
        Game.GameMode = mode;
        Game.Screen.DIBContainer2.Visible = false;
        Game.Screen.RxLabel2 = {"", false};
        Game.Screen.RxLabel16 = {"", false};
        Game.DIBTimer1.SetInterval(100000000);
        Game.DIBTimer1.SetEnabled(true);
        Game.DIBTimer2.SetInterval(100000000);
        Game.DIBTimer2.SetEnabled(true);
        Game.AItimer.SetEnabled(true);  // idle: the computer is not active
        Game.AIActive = false;
        Game.MatchTime = 61750;
    }
    // The game of a series: game 1 (counter 2, the human's advantage) or 2.
    void Series(int game) {
        Game.SeriesCounter = static_cast<uint8_t>(game == 1 ? 2 : 1);
        Game.AdvantageSide = static_cast<uint8_t>(game == 1 ? 1 : 2);
    }
    void RedLine(int n) {
        for (int y = 1; y <= n; ++y) Game.Grid(100, y) = {Red, 1, 0};
    }
    void BlueLine(int n) {
        for (int y = 1; y <= n; ++y) Game.Grid(1, y) = {Blue, 1, 0};
    }
    // Captions of the centre label and the message label at time t.
    void Watch(int64_t t) {
        Host.At(t, [this, t] {
            Seen.push_back(std::to_string(t) + ": " +
                           (Game.Screen.RxLabel2.Visible ? Game.Screen.RxLabel2.Caption : "-") + " | " +
                           (Game.Screen.RxLabel16.Visible ? Game.Screen.RxLabel16.Caption : "-") +
                           (Game.Screen.DIBContainer2.Visible ? " | title" : "") +
                           (Game.Screen.DIBContainer3.Visible ? " | chooser" : ""));
        });
    }
    // Runs the clock's next tick (at 25 ms) and everything nested in it. An end
    // sequence that never returns (a chooser nobody answers) fails the test.
    void Tick() {
        Host.At(Host.TickCount() + 600000, [this] {
            ADD_FAILURE() << "the end sequence did not return";
            Host.Terminate();
        });
        Host.RunFor(25);
    }

    std::vector<std::string> Seen;
};

}  // namespace

// Ten red cells on the human's home line do not end the game; the eleventh does.
TEST(WinTest, TheEleventhRedCellOnColumnHundredEndsTheGame) {
    TClock c(1);
    c.RedLine(10);
    c.Host.RunFor(2000);
    EXPECT_FALSE(c.Game.Screen.RxLabel2.Visible);
    EXPECT_TRUE(c.Game.TimerTaller.Enabled());
    c.RedLine(11);
    c.Host.RunFor(25);
    EXPECT_EQ(c.Game.Screen.RxLabel2.Caption, "Red Won");
    EXPECT_TRUE(c.Game.Screen.RxLabel2.Visible);
}

// Ten blue cells on the computer's home line do not end the game; eleven do.
TEST(WinTest, TheEleventhBlueCellOnColumnOneEndsTheGame) {
    TClock c(1);
    c.BlueLine(10);
    c.Host.RunFor(2000);
    EXPECT_FALSE(c.Game.Screen.RxLabel2.Visible);
    c.Game.Grid(1, 100) = {Blue, 1, 0};
    c.Host.RunFor(25);
    EXPECT_EQ(c.Game.Screen.RxLabel2.Caption, "You Won");
}

// Red cells in column 99 and blue cells in column 2 never end a game, nor do
// gray or red cells on the computer's own line.
TEST(WinTest, ColumnsNinetyNineAndTwoNeverCount) {
    TClock c(1);
    for (int y = 1; y <= 100; ++y) {
        c.Game.Grid(99, y) = {Red, 5, 0};
        c.Game.Grid(2, y) = {Blue, 5, 0};
        c.Game.Grid(1, y) = {static_cast<uint8_t>(y % 2 ? Red : GraySpot), 5, 0};
        c.Game.Grid(100, y) = {static_cast<uint8_t>(y % 2 ? Blue : GraySpot), 5, 0};
    }
    c.Host.RunFor(5000);
    EXPECT_FALSE(c.Game.Screen.RxLabel2.Visible);
    EXPECT_TRUE(c.Game.DIBTimer1.Enabled());
    EXPECT_TRUE(c.Game.TimerTaller.Enabled());
}

// Before the first match the clock runs on the empty board and never ends anything.
TEST(WinTest, TheClockIdlesOnTheEmptyBoardBeforeTheFirstMatch) {
    VirtualHost host;
    TGame g(host);
    host.RunFor(60000);
    EXPECT_TRUE(g.TimerTaller.Enabled());
    EXPECT_EQ(g.Screen.RxLabel2.Caption, "3");
    EXPECT_TRUE(g.Screen.DIBContainer2.Visible);
}

// A single game won by the computer: the step, tube and clock timers stop (the
// computer's does not), "Red Won" for 5 s, then the title screen with the
// rating; no rating change and no highscore.
TEST(ComputerWins, ASingleGameEndsOnTheTitleScreenAfterFiveSeconds) {
    TClock c(1);
    c.RedLine(11);
    c.Watch(2525);
    c.Tick();
    EXPECT_EQ(c.Host.TickCount(), 5025);
    EXPECT_EQ(c.Seen, std::vector<std::string>{"2525: Red Won | -"});
    EXPECT_FALSE(c.Game.DIBTimer1.Enabled());
    EXPECT_FALSE(c.Game.DIBTimer2.Enabled());
    EXPECT_FALSE(c.Game.TimerTaller.Enabled());
    EXPECT_TRUE(c.Game.AItimer.Enabled());
    EXPECT_EQ(c.Game.ComputerWinTime, 61750);
    EXPECT_EQ(c.Game.MatchTime, 61750);
    EXPECT_TRUE(c.Game.Screen.DIBContainer2.Visible);
    EXPECT_FALSE(c.Game.Screen.DIBContainer3.Visible);
    EXPECT_EQ(c.Game.Screen.URLtransparantLabel7.Caption, "1600");
    EXPECT_EQ(c.Game.PlayerRating, 1600);
    EXPECT_EQ(c.Host.ResultsChangedCount, 0);
    EXPECT_TRUE(c.Host.InputCaptions.empty());
    EXPECT_TRUE(c.Host.Messages.empty());
}

// A single game won by the human: "You Won", 3 s later the highscore dialog,
// the whole seconds entered in the table of the computer's rating, then the
// title screen.
TEST(HumanWins, ASingleGameOffersTheHighscoreAfterThreeSeconds) {
    TClock c(1);
    c.Game.AIRating = 2500;
    c.BlueLine(11);
    c.Host.InputAnswers.push_back({true, "Zed"});
    c.Host.At(3024, [&] { EXPECT_TRUE(c.Host.InputCaptions.empty()); });
    c.Watch(1000);
    c.Tick();
    EXPECT_EQ(c.Host.TickCount(), 3025);
    EXPECT_EQ(c.Seen, std::vector<std::string>{"1000: You Won | -"});
    EXPECT_EQ(c.Host.InputCaptions.size(), 1u);
    EXPECT_EQ(c.Game.HighScores[6][1].Score, 61);
    EXPECT_EQ(c.Game.HighScores[6][1].NameText(), "Zed");
    EXPECT_TRUE(c.Game.Screen.DIBContainer2.Visible);
    EXPECT_EQ(c.Game.HumanWinTime, 0);  // only a series keeps the human's time
    EXPECT_FALSE(c.Game.TimerTaller.Enabled());
}

// When both lines are taken in the same tick of a single game, "Red Won" shows
// first, then "You Won", and the highscore is offered after both.
TEST(BothWin, InOneTickBothResultsShowOneAfterTheOther) {
    TClock c(1);
    c.RedLine(11);
    c.BlueLine(11);
    c.Watch(2000);
    c.Watch(6000);
    // The title screen is up in the human's pause: a new computer rating chosen
    // there does not move the win to another table.
    c.Host.At(6500, [&] { c.Game.URLtransparantLabel2Click(); });
    c.Tick();
    EXPECT_EQ(c.Host.TickCount(), 8025);  // 5 s, then 3 s
    EXPECT_EQ(c.Seen, (std::vector<std::string>{"2000: Red Won | -", "6000: You Won | - | title"}));
    EXPECT_EQ(c.Host.InputCaptions.size(), 1u);
    EXPECT_EQ(c.Game.HighScores[3][1].Score, 61);
    EXPECT_EQ(c.Game.HighScores[4][1].Score, 9999);
    EXPECT_EQ(c.Game.AIRating, 1900);
    EXPECT_TRUE(c.Game.Screen.DIBContainer2.Visible);
}

// The human wins game 1 of a series: his time is kept, the used-seconds
// message stays for 5 s, then game 2 is set up at once (the title screen
// stays hidden) with the computer's advantage.
TEST(HumanWins, GameOneOfASeriesLeadsToGameTwo) {
    TClock c(2);
    c.Series(1);
    c.Game.MatchTime = 42750;
    c.BlueLine(11);
    c.Watch(4000);
    c.Watch(5100);
    c.Host.OnEvent = [&] {
        if (c.Game.Screen.DIBContainer3.Visible && !c.Game.InjectionChoiceDone) c.Game.dxButton1Click();
    };
    c.Tick();
    EXPECT_EQ(c.Seen,
              (std::vector<std::string>{
                  "4000: You Won | You used 42seconds to win. Defend your homeline for more seconds to win",
                  "5100: 3 | -"}));
    EXPECT_EQ(c.Game.HumanWinTime, 42750);
    EXPECT_EQ(c.Game.SeriesCounter, 1);
    EXPECT_EQ(c.Game.AdvantageSide, 2);
    EXPECT_FALSE(c.Game.Screen.DIBContainer2.Visible);
    EXPECT_TRUE(c.Game.DIBTimer1.Enabled());
    EXPECT_TRUE(c.Game.TimerTaller.Enabled());
    EXPECT_EQ(c.Game.MatchTime, 0);
    EXPECT_EQ(c.Game.PlayerRating, 1600);
    EXPECT_EQ(c.Host.ResultsChangedCount, 0);
}

// The computer wins game 2: the series is won when the human's game-1 time is
// below the computer's game-2 time, lost otherwise (equal included); the
// message names both times in whole seconds and the rating moves before the
// title screen returns with it.
TEST(ComputerWins, GameTwoDecidesTheSeriesByTheTwoTimes) {
    struct TCase {
        int HumanMs;
        std::string Message;
        int Rating;
    };
    const std::vector<TCase> cases = {
        {40999, "You won. You used 40 to win and the ai used 61", 1608},
        {70000, "You lost. You used 70 to win and the ai used 61", 1592},
        {61750, "You lost. You used 61 to win and the ai used 61", 1592},
    };
    for (const TCase& k : cases) {
        TClock c(2);
        c.Series(2);
        c.Game.HumanWinTime = k.HumanMs;
        c.RedLine(11);
        c.Watch(100);
        c.Tick();
        EXPECT_EQ(c.Seen, std::vector<std::string>{"100: Red Won | " + k.Message});
        EXPECT_EQ(c.Game.ComputerWinTime, 61750);
        EXPECT_EQ(c.Game.PlayerRating, k.Rating);
        EXPECT_EQ(c.Host.ResultsChangedCount, 1);
        EXPECT_EQ(c.Host.TickCount(), 5025);
        EXPECT_TRUE(c.Game.Screen.DIBContainer2.Visible);
        EXPECT_EQ(c.Game.Screen.URLtransparantLabel7.Caption, std::to_string(k.Rating));
    }
}

// Losing game 1, the game of the human's own advantage, loses the series at
// once: the message, 5 s, the rating lowered, the title screen with the new
// rating, and no game 2 (no chooser, no second pause, the title screen never
// shown while a pause runs).
TEST(ComputerWins, LosingTheAdvantageGameEndsTheSeries) {
    TClock c(2);
    c.Series(1);
    c.RedLine(11);
    c.Watch(2500);
    c.Watch(5024);
    int choosers = 0;
    c.Host.OnEvent = [&] {
        if (c.Game.Screen.DIBContainer3.Visible) ++choosers;
    };
    c.Tick();
    EXPECT_EQ(c.Seen, (std::vector<std::string>{"2500: Red Won | " + AdvantageLost,
                                                "5024: Red Won | " + AdvantageLost}));
    EXPECT_EQ(c.Host.TickCount(), 5025);
    EXPECT_EQ(choosers, 0);
    EXPECT_EQ(c.Game.PlayerRating, 1592);
    EXPECT_EQ(c.Host.ResultsChangedCount, 1);
    EXPECT_TRUE(c.Game.Screen.DIBContainer2.Visible);
    EXPECT_EQ(c.Game.Screen.URLtransparantLabel7.Caption, "1592");
    EXPECT_EQ(c.Game.SeriesCounter, 0);
    EXPECT_EQ(c.Game.ComputerWinTime, 0);
    EXPECT_FALSE(c.Game.TimerTaller.Enabled());

    // A later single game lost to the computer is no advantage game.
    c.Game.GameMode = 1;
    c.Host.OnEvent = [&] {
        if (c.Game.Screen.DIBContainer3.Visible && !c.Game.InjectionChoiceDone) c.Game.dxButton1Click();
    };
    c.Game.DIBImage2MouseUp();
    c.Game.AIActive = false;
    c.RedLine(11);
    c.Host.RunUntil([&] { return c.Game.Screen.DIBContainer2.Visible; }, 20000);
    EXPECT_EQ(c.Game.Screen.RxLabel2.Caption, "Red Won");
    EXPECT_FALSE(c.Game.Screen.RxLabel16.Visible);
    EXPECT_EQ(c.Game.PlayerRating, 1592);
}

// Both lines taken in one tick of the advantage game: the series is lost
// once, the human's result follows, and still no game 2 is set up.
TEST(BothWin, InTheAdvantageGameTheSeriesEndsLostOnce) {
    TClock c(2);
    c.Series(1);
    c.RedLine(11);
    c.BlueLine(11);
    int choosers = 0;
    c.Host.OnEvent = [&] {
        if (c.Game.Screen.DIBContainer3.Visible) ++choosers;
    };
    c.Tick();
    EXPECT_EQ(choosers, 0);
    EXPECT_EQ(c.Game.PlayerRating, 1592);
    EXPECT_EQ(c.Host.ResultsChangedCount, 1);
    EXPECT_EQ(c.Game.Screen.RxLabel2.Caption, "You Won");
    EXPECT_TRUE(c.Game.Screen.DIBContainer2.Visible);
    EXPECT_FALSE(c.Game.DIBTimer1.Enabled());
}

// Winning game 2 after winning game 1 wins the series: the rating rises at
// once (before the pause, so closing the window then keeps it), the message
// says the series is won for 5 s, then the title screen shows the new rating.
TEST(HumanWins, WinningGameTwoWinsTheSeries) {
    TClock c(2);
    c.Series(2);
    c.Game.HumanWinTime = 30000;
    c.Game.AIRating = 1900;
    c.BlueLine(11);
    c.Host.At(1000, [&] { EXPECT_EQ(c.Game.PlayerRating, 1620); });  // (300 + 1) div 25 + 8
    c.Watch(4000);
    c.Tick();
    EXPECT_EQ(c.Seen, std::vector<std::string>{"4000: You Won | You won. The ai did not reach your homeline."});
    EXPECT_EQ(c.Game.HumanWinTime, 61750);
    EXPECT_EQ(c.Game.PlayerRating, 1620);
    EXPECT_EQ(c.Host.ResultsChangedCount, 1);
    EXPECT_TRUE(c.Game.Screen.DIBContainer2.Visible);
    EXPECT_FALSE(c.Game.Screen.RxLabel16.Visible);
    EXPECT_EQ(c.Game.Screen.URLtransparantLabel7.Caption, "1620");
    EXPECT_EQ(c.Game.SeriesCounter, 0);
}

// Both lines taken in one tick of game 2: the computer's result scores the
// series, the human's result follows without scoring it a second time.
TEST(BothWin, InGameTwoTheSeriesIsScoredOnce) {
    TClock c(2);
    c.Series(2);
    c.Game.HumanWinTime = 20000;
    c.RedLine(11);
    c.BlueLine(11);
    c.Watch(1000);
    c.Watch(6000);
    c.Tick();
    EXPECT_EQ(c.Seen,
              (std::vector<std::string>{
                  "1000: Red Won | You won. You used 20 to win and the ai used 61",
                  "6000: You Won | You used 61seconds to win. Defend your homeline for more seconds to win | title"}));
    EXPECT_EQ(c.Game.PlayerRating, 1608);
    EXPECT_EQ(c.Host.ResultsChangedCount, 1);
    EXPECT_EQ(c.Host.TickCount(), 10025);
}

// Closing the window during any pause of an end sequence stops it there: no
// title screen, no highscore dialog, no next game. A result that ends a series
// is scored (and saved) before its pause, so closing cannot dodge a loss nor
// lose a gain.
TEST(EndSequences, StopAtOnceWhenTheWindowCloses) {
    struct TCase {
        int Mode, Game;  // Game 0: a single game
        bool RedWins;
        int Rating;
    };
    for (const TCase& k : std::vector<TCase>{{1, 0, true, 1600}, {1, 0, false, 1600}, {2, 1, true, 1592},
                                             {2, 1, false, 1600}, {2, 2, true, 1608},
                                             {2, 2, false, 1608}}) {
        TClock c(k.Mode);
        if (k.Game) c.Series(k.Game);
        c.Game.HumanWinTime = 1000;
        if (k.RedWins)
            c.RedLine(11);
        else
            c.BlueLine(11);
        int choosers = 0;
        c.Host.OnEvent = [&] {
            if (c.Game.Screen.DIBContainer3.Visible) ++choosers;
        };
        c.Host.At(1000, [&] { c.Host.Terminate(); });
        c.Tick();
        const std::string what = "mode " + std::to_string(k.Mode) + " game " + std::to_string(k.Game) +
                                 (k.RedWins ? " red" : " blue");
        EXPECT_EQ(c.Host.TickCount(), 1000) << what;
        EXPECT_FALSE(c.Game.Screen.DIBContainer2.Visible) << what;
        EXPECT_EQ(choosers, 0) << what;
        EXPECT_TRUE(c.Host.InputCaptions.empty()) << what;
        EXPECT_EQ(c.Game.PlayerRating, k.Rating) << what;
        EXPECT_EQ(c.Host.ResultsChangedCount, k.Rating == 1600 ? 0 : 1) << what;
    }
}

// A result sequence acts only on its own game. When both lines fall in one
// tick, the human's pause runs with the title screen already up; a new game
// started from it in that pause leaves the old sequence nothing to do: no
// highscore (the new game's time would be a 0-second one), no rating change,
// no title screen over the running game.
TEST(BothWin, ANewGameStartedDuringThePauseEndsTheOldSequence) {
    struct TCase {
        int Mode, Game;  // Game 0: a single game
        int64_t ClickAt;
        int Rating;  // after the computer's result
    };
    for (const TCase& k : std::vector<TCase>{{1, 0, 6000, 1600}, {2, 2, 7000, 1608}, {2, 1, 7000, 1592}}) {
        TClock c(k.Mode);
        if (k.Game) c.Series(k.Game);
        c.Game.HumanWinTime = 20000;
        c.RedLine(11);
        c.BlueLine(11);
        bool started = false;
        c.Host.At(k.ClickAt, [&] {
            ASSERT_TRUE(c.Game.Screen.DIBContainer2.Visible);  // the title screen is up
            ASSERT_EQ(c.Game.Screen.RxLabel2.Caption, "You Won");
            c.Game.GameMode = 1;
            started = true;
            c.Game.DIBImage2MouseUp();
        });
        c.Host.OnEvent = [&] {
            if (c.Game.Screen.DIBContainer3.Visible && !c.Game.InjectionChoiceDone) c.Game.dxButton1Click();
            c.Game.AIActive = false;  // the computer stays still: the new game runs on
        };
        c.Tick();
        const std::string what = "mode " + std::to_string(k.Mode) + " game " + std::to_string(k.Game);
        EXPECT_TRUE(started) << what;
        EXPECT_TRUE(c.Host.InputCaptions.empty()) << what;
        for (int t = 1; t <= 7; ++t) EXPECT_EQ(c.Game.HighScores[t][1].Score, 9999) << what;
        EXPECT_EQ(c.Game.PlayerRating, k.Rating) << what;
        // The new game runs on, its screen uncovered.
        EXPECT_FALSE(c.Game.Screen.DIBContainer2.Visible) << what;
        EXPECT_TRUE(c.Game.DIBTimer1.Enabled()) << what;
        EXPECT_TRUE(c.Game.TimerTaller.Enabled()) << what;
        EXPECT_EQ(c.Game.MatchNumber, 1u) << what;
    }
}
