// Results: highscore entries of single games and the rating change of a series.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TGame.h"
#include "VirtualHost.h"

namespace {

struct TResults {
    VirtualHost Host;
    TGame Game{Host};

    // A won single game of `seconds` (plus a fraction that must be cut off)
    // against the computer rated `rating`.
    void Win(int rating, int seconds) {
        Game.AIRating = rating;
        Game.MatchTime = seconds * 1000 + 999;
        Game.RecordHighScore();
    }
    THighScoreTable& Table(int t) { return Game.HighScores[t]; }
    std::vector<int> Scores(int t) {
        std::vector<int> s;
        for (int i = 1; i <= 10; ++i) s.push_back(Table(t)[i].Score);
        return s;
    }
};

}  // namespace

// A win against the default tables takes place 1 with the name typed, the
// whole seconds, today's date, and the window is told to save at once.
TEST(RecordHighScore, AFirstWinTakesPlaceOneWithTheTypedName) {
    TResults r;
    r.Host.InputAnswers.push_back({true, "Alice"});
    r.Win(1600, 73);
    EXPECT_EQ(r.Host.InputCaptions, std::vector<std::string>{"Congratulation you got a highscore"});
    EXPECT_TRUE(r.Host.Messages.empty());
    const THighScoreEntry& e = r.Table(3)[1];
    EXPECT_EQ(e.NameText(), "Alice");
    EXPECT_EQ(e.Score, 73);
    EXPECT_DOUBLE_EQ(e.Date, r.Host.Now());
    EXPECT_EQ(r.Scores(3), (std::vector<int>{73, 9999, 9999, 9999, 9999, 9999, 9999, 9999, 9999, 9999}));
    EXPECT_EQ(r.Host.ResultsChangedCount, 1);
    // Other tables are not touched.
    for (int t : {1, 2, 4, 5, 6, 7})
        EXPECT_EQ(r.Table(t)[1].Score, 9999) << "table " << t;
}

// Each rating has its own table: 1000 -> 1, 1300 -> 2, ..., 2800 -> 7.
TEST(RecordHighScore, EachComputerRatingWritesItsOwnTable) {
    for (int t = 1; t <= 7; ++t) {
        TResults r;
        r.Win(1000 + 300 * (t - 1), 10 * t);
        for (int u = 1; u <= 7; ++u)
            EXPECT_EQ(r.Table(u)[1].Score, u == t ? 10 * t : 9999) << "rating table " << t;
    }
}

// A faster win takes place 1 again and pushes the earlier one down; after a
// place-1 entry in a full table the old 1..5 stand in 2..6 and 7..10 are kept.
TEST(RecordHighScore, AFasterWinPushesTheListDownIntoEntrySix) {
    TResults r;
    THighScoreTable& t = r.Table(4);
    // Appended, not "P" + string: GCC 12 at -O2 warns falsely (-Wrestrict) on that.
    const auto name = [](int i) { return std::string("P").append(std::to_string(i)); };
    for (int i = 1; i <= 10; ++i) {
        t[i].Score = 100 * i;
        t[i].SetName(name(i));
        t[i].Date = 1000.0 + i;
    }
    r.Host.InputAnswers.push_back({true, "Fast"});
    r.Win(1900, 50);
    EXPECT_EQ(r.Scores(4), (std::vector<int>{50, 100, 200, 300, 400, 500, 700, 800, 900, 1000}));
    EXPECT_EQ(t[1].NameText(), "Fast");
    for (int i = 2; i <= 6; ++i) {
        EXPECT_EQ(t[i].NameText(), name(i - 1));
        EXPECT_DOUBLE_EQ(t[i].Date, 1000.0 + (i - 1));
    }
    EXPECT_EQ(t[7].NameText(), "P7");
}

// A time equal to an existing score ranks after it: equal to entry 2 (and
// below entry 3) takes place 3.
TEST(RecordHighScore, ATimeEqualToAScoreRanksAfterIt) {
    TResults r;
    THighScoreTable& t = r.Table(1);
    for (int i = 1; i <= 5; ++i) t[i].Score = 10 * i;  // 10 20 30 40 50
    r.Win(1000, 20);
    EXPECT_EQ(r.Scores(1), (std::vector<int>{10, 20, 20, 30, 40, 50, 9999, 9999, 9999, 9999}));
    EXPECT_EQ(t[3].NameText(), "NoName");
}

// A time equal to entry 5's score, or slower, is no highscore: only the
// "No Highscore" box, nothing stored, nothing saved.
TEST(RecordHighScore, NoPlaceForATimeNotBelowEntryFive) {
    for (int seconds : {50, 51, 9999, 20000}) {
        TResults r;
        THighScoreTable& t = r.Table(2);
        for (int i = 1; i <= 5; ++i) t[i].Score = 10 * i;
        const std::vector<int> before = r.Scores(2);
        r.Win(1300, seconds);
        ASSERT_EQ(r.Host.Messages.size(), 1u) << seconds;
        EXPECT_EQ(r.Host.Messages[0].Text, "Sorry, no highscore this time");
        EXPECT_EQ(r.Host.Messages[0].Caption, "No Highscore");
        EXPECT_TRUE(r.Host.InputCaptions.empty());
        EXPECT_EQ(r.Scores(2), before);
        EXPECT_EQ(r.Host.ResultsChangedCount, 0);
    }
}

// The dialog is preset to "NoName"; cancelling stores "NoName", an empty
// name is stored empty and a long one is cut to its first 20 characters.
TEST(RecordHighScore, TheNameIsPresetCancelledEmptyOrCut) {
    // Plain character pointers: GCC 12 at -O2 takes the strings of a braced
    // list of nested records for maybe uninitialized.
    struct TCase {
        bool Ok;
        const char* Typed;
        const char* Stored;
    };
    const TCase cases[] = {
        {true, "Kept as typed", "Kept as typed"},
        {false, "ignored", "NoName"},
        {true, "", ""},
        {true, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNOPQRST"},
    };
    for (const TCase& c : cases) {
        TResults r;
        r.Host.InputAnswers.push_back({c.Ok, c.Typed});
        r.Win(2200, 30);
        EXPECT_EQ(r.Table(5)[1].NameText(), c.Stored);
    }
    // Without an answer the host keeps the preset, which must be "NoName".
    TResults r;
    r.Win(2200, 30);
    EXPECT_EQ(r.Table(5)[1].NameText(), "NoName");
}

// The rating table, every row, with P = 1600.
TEST(ApplyRatingChange, FollowsEveryRowOfTheRatingTable) {
    struct TRow {
        int Gap;  // A - P
        int Won;
        int Lost;
    };
    const std::vector<TRow> rows = {
        {-1200, 0, -56}, {-600, 0, -32}, {-400, 0, -24}, {-300, 2, -20}, {-100, 6, -12},
        {0, 8, -8},      {100, 12, -6},  {300, 20, -2},  {400, 24, 0},   {1200, 56, 0},
    };
    for (const TRow& row : rows) {
        for (bool won : {true, false}) {
            TResults r;
            r.Game.PlayerRating = 1600;
            r.Game.AIRating = 1600 + row.Gap;
            r.Game.ApplyRatingChange(won);
            EXPECT_EQ(r.Game.PlayerRating, 1600 + (won ? row.Won : row.Lost))
                << "gap " << row.Gap << (won ? " won" : " lost");
            EXPECT_EQ(r.Host.ResultsChangedCount, 1);
        }
    }
}

// The borders between the table's cases, with player ratings off the 300 grid
// (the player's rating moves in small steps).
TEST(ApplyRatingChange, CasesMeetAtTheirBorders) {
    struct TCase {
        int P, A;
        bool Won;
        int Expected;
    };
    const std::vector<TCase> cases = {
        {1601, 1200, true, 1601},  // A < P - 400: unchanged
        {1600, 1200, true, 1600},  // P - 400 <= A: 8 - 401 / 50 = 0
        {1599, 1600, true, 1607},  // A >= P: (1 + 1) / 25 + 8 = 8
        {1612, 1600, true, 1620},  // 8 - 13 / 50 = 8
        {1550, 1600, true, 1560},  // 51 / 25 + 8 = 10
        {1199, 1600, false, 1199}, // A > P + 400: unchanged
        {1200, 1600, false, 1200}, // 8 - 401 / 50 = 0
        {1624, 1600, false, 1615}, // 25 / 25 + 8 = 9
        {1576, 1600, false, 1568}, // 8 - 25 / 50 = 8
        {1551, 1600, false, 1544}, // 8 - 50 / 50 = 7
        {1649, 1600, true, 1656},  // 8 - 50 / 50 = 7
        {1576, 1600, true, 1585},  // 25 / 25 + 8 = 9
        // A damaged file may hold any rating: the gaps must not overflow.
        {INT32_MIN, 2800, true, -2061584183},  // (2800 - P + 1) / 25 + 8
        {INT32_MIN, 1000, false, INT32_MIN},   // far weaker player: unchanged
        {INT32_MAX, 1000, false, 2061584334},  // (P - 1000 + 1) / 25 + 8
        {INT32_MAX, 2800, true, INT32_MAX},    // far stronger player: unchanged
    };
    for (const TCase& c : cases) {
        TResults r;
        r.Game.PlayerRating = c.P;
        r.Game.AIRating = c.A;
        r.Game.ApplyRatingChange(c.Won);
        EXPECT_EQ(r.Game.PlayerRating, c.Expected) << c.P << " vs " << c.A << (c.Won ? " won" : " lost");
    }
}

// Worked examples: 1600 against 2800 won 1656, lost unchanged; against 1000
// lost 1568, won unchanged; against 1900 lost 1598.
TEST(ApplyRatingChange, WorkedExamples) {
    struct TCase {
        int A;
        bool Won;
        int Expected;
    };
    for (const TCase& c : std::vector<TCase>{{2800, true, 1656}, {2800, false, 1600}, {1000, false, 1568},
                                             {1000, true, 1600}, {1900, false, 1598}}) {
        TResults r;
        r.Game.AIRating = c.A;
        r.Game.ApplyRatingChange(c.Won);
        EXPECT_EQ(r.Game.PlayerRating, c.Expected);
    }
}
