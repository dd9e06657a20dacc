// Whole games and series on the virtual clock, played through the window's
// handlers by a scripted human: setup, chooser, countdown, the running game
// with the computer, the end sequences, the results and the title screen.
// The grid invariants are checked after every generation.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ScriptedHuman.h"
#include "TGame.h"
#include "VirtualHost.h"

namespace {

constexpr int64_t Hour = 3600 * 1000;

// What one game of a run looked like.
struct TGameRecord {
    int64_t Start = 0;  // virtual time at which the timers came on
    int Advantage = 0;
    std::array<int, 3> ComputerKinds{};
    bool SpotsAsShifted = false;  // a gray cell at every SpotPos shifted by the advantage
    std::string Result;           // "Red Won" or "You Won", the first shown
    int RedOnHumanLine = 0;       // red cells in column 100 when it ended
    int BlueOnComputerLine = 0;   // blue cells in column 1 when it ended
    int32_t MatchTime = -1;       // when it ended
    int64_t End = 0;
    int Speed = 50;               // the step interval when it ended
    int FirstTubeTick = 250;      // the tube timer's period when the game started
};

// A program run: one game, the scripted human and a watch over every event.
class TMatch {
public:
    TMatch(int mode, int rating, uint64_t seed, TScriptedHumanOptions options = {}) {
        Host.Seed = seed * 7919 + static_cast<uint64_t>(rating);
        Game.GameMode = mode;
        Game.AIRating = rating;
        options.Seed = seed;
        Human = std::make_unique<TScriptedHuman>(Game, Host, options);
        std::function<void()> human = Host.OnEvent;
        Host.OnEvent = [this, human] {
            human();
            Observe();
        };
    }

    VirtualHost Host;
    TGame Game{Host};
    std::unique_ptr<TScriptedHuman> Human;
    std::vector<TGameRecord> Games;
    int Generations = 0;
    int InvariantFaults = 0;
    std::string FirstFault;
    // Called once when each game's timers come on (game number 1, 2, ...).
    std::function<void(int)> OnGameStart;

    // Releases the start image and plays until the title screen is back.
    bool Play(int64_t limit = 2 * Hour) {
        bool started = false;
        Host.At(Host.TickCount(), [&] {
            started = true;
            Game.DIBImage2MouseUp();
        });
        return Host.RunUntil([&] { return started && Game.Screen.DIBContainer2.Visible; }, limit);
    }

    // A scripted blow at `ms` after the start of the current game: the human's
    // colony has reached column 12 at row 50 and his super bacterium is ready;
    // he drops it there (view X 51), which covers column 1 over 23 rows.
    void SuperWinAt(int64_t ms) {
        const int64_t at = Games.back().Start + ms;
        Host.At(at, [this] {
            Game.Grid(12, 50) = {Blue, 1, 4};
            Game.SuperCharge[1] = 1001;
            Game.Screen.bac1_S.Enabled = true;
            EXPECT_TRUE(Human->Drag(6, 51, 201));
        });
    }

    int HighScoreDialogs() const { return static_cast<int>(Host.InputCaptions.size()); }

private:
    void Observe() {
        const bool running = Game.DIBTimer1.Enabled();
        if (running && !WasRunning) GameStarted();
        WasRunning = running;

        if (!Games.empty() && Games.back().Result.empty() && Game.Screen.RxLabel2.Visible &&
            (Game.Screen.RxLabel2.Caption == "Red Won" || Game.Screen.RxLabel2.Caption == "You Won")) {
            TGameRecord& r = Games.back();
            r.Result = Game.Screen.RxLabel2.Caption;
            r.MatchTime = Game.MatchTime;
            r.End = Host.TickCount();
            r.Speed = Game.DIBTimer1.Interval();
            for (int y = 1; y <= 100; ++y) {
                r.RedOnHumanLine += Game.Grid(100, y).Owner == Red;
                r.BlueOnComputerLine += Game.Grid(1, y).Owner == Blue;
            }
        }
        // A generation has just closed: the band went from rows 1..20 back to 101.
        if (LastBandStart == 1 + 20 && Game.BandStart == 101 && running) CheckInvariants();
        if (LastBandStart == 1 + 20 && Game.BandStart == 101) ++Generations;
        LastBandStart = Game.BandStart;
    }

    void GameStarted() {
        TGameRecord r;
        r.Start = Host.TickCount();
        r.FirstTubeTick = Game.DIBTimer2.Interval();
        r.Advantage = Game.AdvantageSide;
        r.ComputerKinds = {0, Game.GlobalInjection[2][1], Game.GlobalInjection[2][2]};
        const int shift = Game.SeriesCounter == 0 ? 0 : (Game.SeriesCounter % 2 == 0 ? 20 : -20);
        r.SpotsAsShifted = true;
        for (int k = 1; k <= 3; ++k)
            r.SpotsAsShifted &= Game.Grid(Game.SpotPos[k].X + shift, Game.SpotPos[k].Y).Owner == GraySpot;
        Games.push_back(r);
        Gray.clear();
        for (int x = 0; x < GridSize; ++x)
            for (int y = 0; y < GridSize; ++y)
                if (Game.Grid(x, y).Owner == GraySpot) Gray.push_back({x, y});
        if (OnGameStart) OnGameStart(static_cast<int>(Games.size()));
    }

    void Fault(const std::string& what) {
        if (InvariantFaults++ == 0) FirstFault = what + " after generation " + std::to_string(Generations);
    }

    void CheckInvariants() {
        int gray = 0;
        for (int x = 0; x < GridSize; ++x)
            for (int y = 0; y < GridSize; ++y) {
                const TCell& c = Game.Grid(x, y);
                const bool border = x == 0 || y == 0 || x == GridSize - 1 || y == GridSize - 1;
                if (border && (c.Owner != 0 || c.Strength != 0 || c.Vitality != 0))
                    Fault("border cell " + std::to_string(x) + "," + std::to_string(y) + " changed");
                if ((c.Owner == Blue || c.Owner == Red) && c.Strength == 0)
                    Fault("owned cell " + std::to_string(x) + "," + std::to_string(y) + " with strength 0");
                if (c.Owner == GraySpot) ++gray;
                const TCell& n = Game.NextGrid(x, y);
                if (n.Owner != 0 || n.Strength != 0) Fault("staging buffer not clear");
            }
        for (const auto& [x, y] : Gray)
            if (Game.Grid(x, y).Owner != GraySpot) Fault("gray cell lost its owner");
        if (gray != static_cast<int>(Gray.size())) Fault("gray cells appeared");
        if (Game.CellCount[1] + Game.CellCount[2] > 10000) Fault("census above 10000");
        for (int p = 1; p <= 2; ++p)
            for (int j = 1; j <= 5; ++j)
                if (Game.Tube[p][j].Size > 10) Fault("tube above size 10");
    }

    bool WasRunning = false;
    int LastBandStart = 101;
    std::vector<std::pair<int, int>> Gray;
};

// The checks every ended game must pass: the line that ended it held more than
// ten cells, the result shown is that side's, and the time kept is the match
// time at the win, which follows the virtual clock in whole tube periods (the
// first tube tick comes after the period the timer had before the game, each
// tick adds five step periods).
void ExpectConsistentEnd(const TGameRecord& r, const std::string& what) {
    ASSERT_FALSE(r.Result.empty()) << what;
    if (r.Result == "Red Won")
        EXPECT_GT(r.RedOnHumanLine, 10) << what;
    else
        EXPECT_GT(r.BlueOnComputerLine, 10) << what;
    const int64_t period = 5 * r.Speed;
    EXPECT_EQ(r.MatchTime, period * (1 + (r.End - r.Start - r.FirstTubeTick) / period)) << what;
}

void ExpectCleanRun(const TMatch& m, const std::string& what) {
    EXPECT_EQ(m.InvariantFaults, 0) << what << ": " << m.FirstFault;
    EXPECT_GT(m.Generations, 0) << what;
}

const std::vector<int> Ratings = {1000, 1300, 1600, 1900, 2200, 2500, 2800};

}  // namespace

// A single game against each rating, played by the scripted human, runs to
// one of the end sequences and back to the title screen; the human wins some
// and loses some, and the end always matches the board.
TEST(WholeMatch, SingleGamesAgainstEveryRatingEndAsTheBoardSays) {
    std::set<std::string> results;
    for (int rating : Ratings) {
        TScriptedHumanOptions o;
        o.Choice1 = 1;
        o.Choice2 = 3;
        o.MinTubeSize = 4;
        TMatch m(1, rating, 3, o);
        m.Host.InputAnswers.push_back({true, "Robot"});
        const std::string what = "rating " + std::to_string(rating);
        ASSERT_TRUE(m.Play()) << what;
        ASSERT_EQ(m.Games.size(), 1u) << what;
        const TGameRecord& r = m.Games[0];
        ExpectConsistentEnd(r, what);
        ExpectCleanRun(m, what);
        results.insert(r.Result);
        EXPECT_GT(m.Human->Drops, 0) << what;
        EXPECT_FALSE(m.Game.DIBTimer1.Enabled()) << what;
        EXPECT_FALSE(m.Game.DIBTimer2.Enabled()) << what;
        EXPECT_FALSE(m.Game.TimerTaller.Enabled()) << what;
        EXPECT_TRUE(m.Game.AItimer.Enabled()) << what;
        EXPECT_FALSE(m.Game.Screen.DIBContainer3.Visible) << what;
        const int t = (rating - 1000) / 300 + 1;
        if (r.Result == "You Won") {
            EXPECT_EQ(m.HighScoreDialogs(), 1) << what;
            EXPECT_EQ(m.Game.HighScores[t][1].Score, r.MatchTime / 1000) << what;
            EXPECT_EQ(m.Game.HighScores[t][1].NameText(), "Robot") << what;
            EXPECT_EQ(m.Host.TickCount(), r.End + 3000) << what;
        } else {
            EXPECT_EQ(m.HighScoreDialogs(), 0) << what;
            EXPECT_EQ(m.Game.ComputerWinTime, r.MatchTime) << what;
            EXPECT_EQ(m.Game.HighScores[t][1].Score, 9999) << what;
            EXPECT_EQ(m.Host.TickCount(), r.End + 5000) << what;
        }
        EXPECT_EQ(m.Game.PlayerRating, 1600) << what;
    }
    EXPECT_EQ(results, (std::set<std::string>{"Red Won", "You Won"}));
}

// A human who never drops a bacterium loses to every rating: the red colony
// spreads over the board to his home line, the computer's sequence runs and
// the title screen returns 5 s later with the rating unchanged.
TEST(WholeMatch, APassiveHumanLosesToEveryRating) {
    for (int rating : Ratings) {
        TScriptedHumanOptions o;
        o.Drops = false;
        o.FireWeapons = false;
        TMatch m(1, rating, 5, o);
        const std::string what = "rating " + std::to_string(rating);
        ASSERT_TRUE(m.Play()) << what;
        ASSERT_EQ(m.Games.size(), 1u) << what;
        const TGameRecord& r = m.Games[0];
        EXPECT_EQ(r.Result, "Red Won") << what;
        ExpectConsistentEnd(r, what);
        ExpectCleanRun(m, what);
        EXPECT_EQ(m.Game.ComputerWinTime, r.MatchTime) << what;
        EXPECT_GT(r.MatchTime, 30000) << what;
        EXPECT_EQ(m.Host.TickCount(), r.End + 5000) << what;
        EXPECT_EQ(m.HighScoreDialogs(), 0) << what;
        EXPECT_EQ(m.Game.Screen.URLtransparantLabel7.Caption, "1600") << what;
    }
}

// Against every rating, a human whose colony reaches column 12 while his
// super bacterium is ready wins on the spot: the human's sequence runs, the
// time enters the table of that rating and the title screen returns.
TEST(WholeMatch, TheSuperBacteriumAtColumnTwelveWinsAgainstEveryRating) {
    for (int rating : Ratings) {
        TScriptedHumanOptions o;
        o.Drops = false;
        o.FireWeapons = false;
        TMatch m(1, rating, 9, o);
        m.OnGameStart = [&](int) { m.SuperWinAt(20000); };
        m.Host.InputAnswers.push_back({true, "Hero"});
        const std::string what = "rating " + std::to_string(rating);
        ASSERT_TRUE(m.Play()) << what;
        const TGameRecord& r = m.Games[0];
        EXPECT_EQ(r.Result, "You Won") << what;
        ExpectConsistentEnd(r, what);
        ExpectCleanRun(m, what);
        EXPECT_EQ(r.MatchTime, 20000) << what;
        const int t = (rating - 1000) / 300 + 1;
        EXPECT_EQ(m.Game.HighScores[t][1].Score, 20) << what;
        EXPECT_EQ(m.Game.HighScores[t][1].NameText(), "Hero") << what;
        EXPECT_EQ(m.Game.SuperSize[1], 15) << what;
        EXPECT_EQ(m.Host.ResultsChangedCount, 1) << what;
    }
}

// Game mode 1 over two games of one run: the first win enters the table
// under the typed name; when the table's five places are all faster, the
// second win gets the "No Highscore" box and the table stays as it was.
TEST(WholeMatch, SingleGamesEnterTheHighscoreOrAreTooSlow) {
    TScriptedHumanOptions o;
    o.Drops = false;
    o.FireWeapons = false;
    TMatch m(1, 1900, 13, o);
    m.OnGameStart = [&](int game) { m.SuperWinAt(game == 1 ? 35000 : 45000); };
    m.Host.InputAnswers.push_back({true, "First"});
    ASSERT_TRUE(m.Play());
    EXPECT_EQ(m.Game.HighScores[4][1].Score, 35);
    EXPECT_EQ(m.Game.HighScores[4][1].NameText(), "First");
    EXPECT_DOUBLE_EQ(m.Game.HighScores[4][1].Date, m.Host.StartDate + (m.Games[0].End + 3000) / 86400000.0);
    EXPECT_TRUE(m.Host.Messages.empty());

    for (int i = 1; i <= 5; ++i) m.Game.HighScores[4][i].Score = 30 + i;  // 31..35
    ASSERT_TRUE(m.Play());
    ASSERT_EQ(m.Games.size(), 2u);
    EXPECT_EQ(m.Games[1].Result, "You Won");
    ASSERT_EQ(m.Host.Messages.size(), 1u);
    EXPECT_EQ(m.Host.Messages[0].Caption, "No Highscore");
    EXPECT_EQ(m.HighScoreDialogs(), 1);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(m.Game.HighScores[4][i].Score, 30 + i);
    EXPECT_EQ(m.Game.HighScores[4][6].Score, 9999);
    EXPECT_EQ(m.Host.ResultsChangedCount, 1);
    ExpectCleanRun(m, "two single games");
}

namespace {

// The two games of a series: game 1 with the spots toward the human and one
// defensive kind for the computer, game 2 the other way round with two
// offensive kinds; one chooser per game.
void ExpectSeriesGames(const TMatch& m) {
    ASSERT_EQ(m.Games.size(), 2u);
    EXPECT_EQ(m.Games[0].Advantage, 1);
    EXPECT_TRUE(m.Games[0].SpotsAsShifted);
    EXPECT_GE(m.Games[0].ComputerKinds[2], 4);
    EXPECT_EQ(m.Games[1].Advantage, 2);
    EXPECT_TRUE(m.Games[1].SpotsAsShifted);
    EXPECT_LE(m.Games[1].ComputerKinds[1], 3);
    EXPECT_LE(m.Games[1].ComputerKinds[2], 3);
    EXPECT_EQ(m.Human->DoneClicks, 2);
    EXPECT_EQ(m.Games[0].Result, "You Won");
    ExpectConsistentEnd(m.Games[0], "game 1");
    // Game 2 comes straight after the 5 s message: its chooser, then the countdown.
    EXPECT_GE(m.Games[1].Start, m.Games[0].End + 5000 + 3000);
    EXPECT_LE(m.Games[1].Start, m.Games[0].End + 5000 + 3000 + 400);
}

TScriptedHumanOptions Passive() {
    TScriptedHumanOptions o;
    o.Drops = false;
    o.FireWeapons = false;
    return o;
}

}  // namespace

// A series won by winning both games: the used-seconds message after each,
// game 2 set up straight after game 1, and the rating rises once, after the
// second message, before the title screen shows it.
TEST(WholeSeries, WinningBothGamesWinsTheSeries) {
    TMatch m(2, 1600, 17, Passive());
    m.OnGameStart = [&](int game) { m.SuperWinAt(game == 1 ? 20000 : 30000); };
    ASSERT_TRUE(m.Play());
    ExpectSeriesGames(m);
    EXPECT_EQ(m.Games[1].Result, "You Won");
    EXPECT_EQ(m.Games[1].MatchTime, 30000);
    EXPECT_EQ(m.Game.HumanWinTime, 30000);
    EXPECT_EQ(m.Game.PlayerRating, 1608);
    EXPECT_EQ(m.Host.ResultsChangedCount, 1);
    EXPECT_EQ(m.Game.Screen.URLtransparantLabel7.Caption, "1608");
    EXPECT_EQ(m.Host.TickCount(), m.Games[1].End + 5000);
    EXPECT_EQ(m.HighScoreDialogs(), 0);
    ExpectCleanRun(m, "series");
}

// A series decided in game 2 by the times: the human won game 1 in 20 s and
// the computer needs far longer in game 2, so the series is won and the
// rating rises by the gap to a stronger computer.
TEST(WholeSeries, AComputerSlowerInGameTwoLosesTheSeries) {
    TMatch m(2, 2200, 19, Passive());
    m.OnGameStart = [&](int game) {
        if (game == 1) m.SuperWinAt(20000);
    };
    ASSERT_TRUE(m.Play());
    ExpectSeriesGames(m);
    const TGameRecord& g2 = m.Games[1];
    EXPECT_EQ(g2.Result, "Red Won");
    ExpectConsistentEnd(g2, "game 2");
    EXPECT_EQ(m.Game.HumanWinTime, 20000);
    EXPECT_EQ(m.Game.ComputerWinTime, g2.MatchTime);
    EXPECT_EQ(m.Game.Screen.RxLabel16.Caption,
              "You won. You used 20 to win and the ai used " + std::to_string(g2.MatchTime / 1000));
    EXPECT_EQ(m.Game.PlayerRating, 1600 + 601 / 25 + 8);
    EXPECT_EQ(m.Host.ResultsChangedCount, 1);
    EXPECT_EQ(m.Game.Screen.URLtransparantLabel7.Caption, std::to_string(1600 + 601 / 25 + 8));
    ExpectCleanRun(m, "series");
}

// A series lost in game 2 by the times: the human needed 70 s in game 1, the
// player then speeds the game up (25 ms) and the red colony reaches his line
// in less match time, so the series is lost and the rating falls, by more
// against a weaker computer.
TEST(WholeSeries, AComputerFasterInGameTwoWinsTheSeries) {
    TMatch m(2, 1000, 23, Passive());
    m.OnGameStart = [&](int game) {
        if (game == 1)
            m.SuperWinAt(70000);
        else
            m.Game.RxSlider1Change(25);
    };
    ASSERT_TRUE(m.Play());
    ExpectSeriesGames(m);
    const TGameRecord& g2 = m.Games[1];
    EXPECT_EQ(g2.Result, "Red Won");
    ExpectConsistentEnd(g2, "game 2");
    EXPECT_LT(g2.MatchTime, 70000);
    EXPECT_EQ(m.Game.Screen.RxLabel16.Caption,
              "You lost. You used 70 to win and the ai used " + std::to_string(g2.MatchTime / 1000));
    EXPECT_EQ(m.Game.PlayerRating, 1600 - (601 / 25 + 8));
    EXPECT_EQ(m.Host.ResultsChangedCount, 1);
    ExpectCleanRun(m, "series");
}

// Losing game 1, the game of the human's advantage, loses the series there:
// the advantage message for 5 s, the rating falls, the title screen returns
// and no second game is set up.
TEST(WholeSeries, LosingTheAdvantageGameEndsTheSeries) {
    TMatch m(2, 1300, 29, Passive());
    ASSERT_TRUE(m.Play());
    ASSERT_EQ(m.Games.size(), 1u);
    const TGameRecord& r = m.Games[0];
    EXPECT_EQ(r.Result, "Red Won");
    EXPECT_EQ(r.Advantage, 1);
    ExpectConsistentEnd(r, "game 1");
    EXPECT_EQ(m.Human->DoneClicks, 1);
    EXPECT_EQ(m.Host.TickCount(), r.End + 5000);
    EXPECT_EQ(m.Game.Screen.RxLabel16.Caption,
              "You had the advantage so you should have won. Game over. you lost");
    EXPECT_EQ(m.Game.PlayerRating, 1600 - (301 / 25 + 8));  // lost to a weaker computer
    EXPECT_EQ(m.Game.Screen.URLtransparantLabel7.Caption, std::to_string(1600 - (301 / 25 + 8)));
    EXPECT_EQ(m.Host.ResultsChangedCount, 1);
    // The run goes on normally: the computer's timer ticks on the frozen
    // board and nothing else is scheduled.
    m.Host.RunFor(60000);
    EXPECT_EQ(m.Games.size(), 1u);
    EXPECT_TRUE(m.Game.Screen.DIBContainer2.Visible);
    ExpectCleanRun(m, "series");
}

// Closing the window while game 2's chooser waits ends the run there.
TEST(WholeSeries, ClosingTheWindowAtTheSecondChooserEndsTheRun) {
    TMatch m(2, 1600, 31, Passive());
    m.OnGameStart = [&](int) { m.SuperWinAt(20000); };
    int choosers = 0;
    std::function<void()> inner = m.Host.OnEvent;
    m.Host.OnEvent = [&] {
        if (m.Game.Screen.DIBContainer3.Visible && !m.Game.InjectionChoiceDone && m.Game.HumanWinTime > 0) {
            ++choosers;
            m.Host.Terminate();
            return;
        }
        inner();
    };
    EXPECT_FALSE(m.Play());
    EXPECT_EQ(choosers, 1);
    EXPECT_EQ(m.Games.size(), 1u);
    EXPECT_FALSE(m.Game.DIBTimer1.Enabled());
    EXPECT_FALSE(m.Game.Screen.DIBContainer2.Visible);
}

// Many seeded games with varied players, every rating and both modes, each
// to its end, the grid invariants holding after every generation.
TEST(Soak, ManySeededMatchesKeepTheGridInvariants) {
    int ended = 0;
    int generations = 0;
    for (uint64_t seed = 1; seed <= 14; ++seed) {
        const int rating = Ratings[seed % Ratings.size()];
        TScriptedHumanOptions o;
        o.Choice1 = static_cast<int>(seed % 5);
        o.Choice2 = static_cast<int>((seed * 3) % 5);
        o.MinTubeSize = 3 + static_cast<int>(seed % 4);
        o.ThinkMs = 200 + static_cast<int>(seed % 5) * 150;
        o.UseSuper = seed % 3 != 0;
        o.Drops = seed % 7 != 0;
        TMatch m(seed % 2 ? 1 : 2, rating, seed * 101, o);
        if (seed % 4 == 0) m.Game.RxSlider1Change(seed % 8 == 0 ? 25 : 125);
        const std::string what = "seed " + std::to_string(seed) + " rating " + std::to_string(rating);
        ASSERT_TRUE(m.Play(3 * Hour)) << what;
        for (const TGameRecord& r : m.Games) ExpectConsistentEnd(r, what);
        ExpectCleanRun(m, what);
        ended += static_cast<int>(m.Games.size());
        generations += m.Generations;
    }
    EXPECT_GE(ended, 14);
    EXPECT_GT(generations, 14 * 100);
}

namespace {

// What a player could tell at one moment, in one number: the board, every
// part of the screen, the sounds, boxes and dialogs so far, the results.
uint64_t WhatAPlayerCouldTell(const TGame& g, const VirtualHost& h) {
    uint64_t v = 1469598103934665603ull;
    auto mix = [&v](const void* data, size_t n) {
        for (size_t i = 0; i < n; ++i) v = (v ^ static_cast<const uint8_t*>(data)[i]) * 1099511628211ull;
    };
    auto num = [&mix](int64_t n) { mix(&n, sizeof n); };
    auto text = [&](const std::string& s) { num(static_cast<int64_t>(s.size())); mix(s.data(), s.size()); };
    static_assert(sizeof(TCell) == 3);
    num(static_cast<int64_t>(std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(g.Grid.Cells.data()), sizeof g.Grid.Cells))));
    const TScreen& s = g.Screen;
    for (const TLabelModel* l : {&s.LBL_Action, &s.RxLabel1, &s.RxLabel2, &s.RxLabel7, &s.RxLabel9, &s.RxLabel10,
                                 &s.RxLabel11, &s.RxLabel16, &s.URLtransparantLabel1, &s.URLtransparantLabel2,
                                 &s.URLtransparantLabel5, &s.URLtransparantLabel7}) {
        text(l->Caption);
        num(l->Visible);
    }
    for (const TSpriteModel* p : {&s.Bac1_1, &s.bac1_2, &s.bac1_3, &s.bac1_4, &s.bac1_5, &s.bac2_1, &s.bac2_2,
                                  &s.bac2_3, &s.bac2_4, &s.bac2_5, &s.bac1_S, &s.DIBImage3, &s.DIBImage6,
                                  &s.DIBImage7, &s.DIBImage8}) {
        for (int64_t n : {int64_t{p->ImageIndex}, int64_t{p->Opacity}, int64_t{p->Enabled}, int64_t{p->Visible},
                          int64_t{p->Tag}})
            num(n);
        text(p->Hint);
    }
    for (const TPanelModel* p : {&s.DIBContainer2, &s.DIBContainer3, &s.dxContainer3})
        for (int64_t n : {int64_t{p->Visible}, int64_t{p->Left}, int64_t{p->Top}}) num(n);
    for (const TComboModel* c : {&s.ComboBox1, &s.ComboBox2}) {
        for (const std::string& item : c->Items) text(item);
        num(c->ItemIndex);
    }
    num(static_cast<int64_t>(s.DIBImage1RefreshCount));
    // The trace keeps every change, so the newest sound, box and dialog are enough.
    num(static_cast<int64_t>(h.Sounds.size()));
    if (!h.Sounds.empty())
        for (int64_t n : {h.Sounds.back().Time, int64_t{static_cast<int>(h.Sounds.back().List)},
                          int64_t{h.Sounds.back().Index}})
            num(n);
    num(static_cast<int64_t>(h.Messages.size()));
    if (!h.Messages.empty()) text(h.Messages.back().Text + "|" + h.Messages.back().Caption);
    num(static_cast<int64_t>(h.InputCaptions.size()));
    if (!h.InputCaptions.empty()) text(h.InputCaptions.back());
    num(h.ResultsChangedCount);
    for (int64_t n : {int64_t{g.PlayerRating}, int64_t{g.MatchTime}, int64_t{g.DIBTimer1.Interval()}}) num(n);
    for (const THighScoreTable& t : g.HighScores.Tables)
        for (const THighScoreEntry& e : t.Entries) {
            num(e.Score);
            mix(&e.Date, sizeof e.Date);
            text(e.NameText());
        }
    return v;
}

// A program run of two single games and the title screen before, between and
// after them, with the player changing the speed and the rating there and
// holding tube 1 for a while in each game. Each time what a player could tell
// changes, the virtual time and the new state are kept.
struct TRestRun {
    std::vector<std::pair<int64_t, uint64_t>> Trace;
    bool ClockRested = false;     // seen resting before the first match
    bool ComputerRested = false;  // seen resting on the title screen after a match
    int Games = 0;
};

TRestRun RunWithTimersResting(bool mayRest, int rating, uint64_t seed, bool passive) {
    TScriptedHumanOptions o = passive ? Passive() : TScriptedHumanOptions{};
    TMatch m(1, rating, seed, o);
    m.Game.TimersMayRest = mayRest;
    m.Host.InputAnswers.push_back({true, "Rester"});
    TRestRun run;
    std::function<void()> inner = m.Host.OnEvent;
    m.Host.OnEvent = [&] {
        inner();
        const uint64_t now = WhatAPlayerCouldTell(m.Game, m.Host);
        if (run.Trace.empty() || run.Trace.back().second != now) run.Trace.push_back({m.Host.TickCount(), now});
        run.ClockRested |= m.Game.TimerTaller.Resting() && m.Game.MatchNumber == 0;
        run.ComputerRested |= m.Game.AItimer.Resting() && m.Game.MatchNumber > 0;
    };
    // Tube 1 held over the board for 0.4 s: the clock pulses its icon.
    m.OnGameStart = [&](int) {
        const int64_t at = m.Host.TickCount() + 2013;
        m.Host.At(at, [&m] { m.Game.Bac1_1StartDrag(1); });
        m.Host.At(at + 400, [&m] { m.Game.Bac1_1EndDrag(1, false, 0, 0); });
    };
    auto title = [&](int64_t ms, int speed) {
        const int64_t t = m.Host.TickCount();
        m.Host.At(t + ms / 3, [&m, speed] { m.Game.RxSlider1Change(speed); });
        m.Host.At(t + ms / 2, [&m] { m.Game.URLtransparantLabel2Click(); });
        m.Host.RunFor(ms);
    };
    title(1237, 75);
    EXPECT_TRUE(m.Play());
    title(9011, 50);
    EXPECT_TRUE(m.Play());
    title(7003, 100);
    run.Games = static_cast<int>(m.Games.size());
    return run;
}

}  // namespace

// The match clock rests before the first match and the computer's timer on
// the title screen after a match, yet a whole run is the same to the player
// as with both ticking all along: the same board, screens, sounds, dialogs
// and results at the same moments.
TEST(RestingTimers, ARunIsTheSameAsWithEveryTimerTicking) {
    struct TCase {
        int Rating;
        uint64_t Seed;
        bool Passive;
    };
    for (const TCase& c : {TCase{1300, 41, true}, TCase{1000, 43, false}, TCase{1900, 47, false},
                           TCase{2800, 53, true}}) {
        const std::string what = "rating " + std::to_string(c.Rating);
        const TRestRun ticking = RunWithTimersResting(false, c.Rating, c.Seed, c.Passive);
        const TRestRun resting = RunWithTimersResting(true, c.Rating, c.Seed, c.Passive);
        EXPECT_EQ(ticking.Games, 2) << what;
        EXPECT_FALSE(ticking.ClockRested || ticking.ComputerRested) << what;
        EXPECT_TRUE(resting.ClockRested) << what;
        EXPECT_TRUE(resting.ComputerRested) << what;
        EXPECT_GT(ticking.Trace.size(), 100u) << what;
        ASSERT_EQ(resting.Trace.size(), ticking.Trace.size()) << what;
        for (size_t i = 0; i < ticking.Trace.size(); ++i)
            ASSERT_EQ(resting.Trace[i], ticking.Trace[i]) << what << ", change " << i;
    }
}
