// Two copies of the game sharing one highscore file: each brings the other's
// results into its own tables before writing.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "HighScoreMerge.h"
#include "HighScores.h"

namespace {

THighScoreEntry Entry(const std::string& name, int32_t score, double date) {
    THighScoreEntry e;
    e.SetName(name);
    e.Score = score;
    e.Date = date;
    return e;
}

// A result entered as RecordHighScore enters it (a later date each time).
void Record(THighScoreTable& table, const THighScoreEntry& e) {
    if (e.Score >= table[5].Score) return;
    int p = 1;
    while (e.Score >= table[p].Score) ++p;
    for (int i = 6; i > p; --i) table[i] = table[i - 1];
    table[p] = e;
}

std::string Names(const THighScoreTable& table, int last = 6) {
    std::string s;
    for (int i = 1; i <= last; ++i) s += table[i].NameText() + ":" + std::to_string(table[i].Score) + " ";
    return s;
}

}  // namespace

TEST(HighScoreMerge, OtherTabsResultsJoinInRankAndNothingIsLost) {
    THighScores base;
    SetHighScoreDefaults(base);
    Record(base[3], Entry("Old", 200, 45000.0));
    base[3][9] = Entry("Kept", 1, 1.0);
    THighScores a = base;
    THighScores b = base;
    Record(a[3], Entry("Ann", 120, 46000.1));
    Record(a[3], Entry("Ann", 300, 46000.2));
    Record(b[3], Entry("Bob", 150, 46000.3));
    Record(b[3], Entry("Bob", 120, 46000.4));  // ties Ann's, later: ranks after it

    THighScores merged = a;
    EXPECT_TRUE(MergeHighScores(merged, b));
    EXPECT_EQ(Names(merged[3]), "Ann:120 Bob:120 Bob:150 Old:200 Ann:300 :9999 ");
    EXPECT_EQ(merged[3][9].NameText(), "Kept");
    EXPECT_EQ(merged[3][7].Score, 9999);
    // The other way round gives the same places, and again changes nothing.
    THighScores other = b;
    EXPECT_TRUE(MergeHighScores(other, a));
    EXPECT_EQ(EncodeHighScores(other, 0), EncodeHighScores(merged, 0));
    EXPECT_FALSE(MergeHighScores(merged, b));
    EXPECT_FALSE(MergeHighScores(merged, a));
    // Other tables untouched; the default entries are not doubled.
    EXPECT_EQ(EncodeHighScores(merged, 0).size(), 2808u);
    for (int t : {1, 2, 4, 5, 6, 7})
        for (int i = 1; i <= 10; ++i) EXPECT_EQ(merged[t][i].NameText(), base[t][i].NameText());
    // A full list: an entry slower than place 5 stays out; place 6 takes the
    // one pushed out of place 5.
    THighScores full = merged;
    Record(full[3], Entry("Cy", 10, 47000.0));
    THighScores mine = merged;
    Record(mine[3], Entry("Dee", 20, 47000.1));
    EXPECT_TRUE(MergeHighScores(mine, full));
    EXPECT_EQ(Names(mine[3]), "Cy:10 Dee:20 Ann:120 Bob:120 Bob:150 Old:200 ");
}

TEST(HighScoreMerge, TabsMergingInAnyOrderAgree) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        THighScores base;
        SetHighScoreDefaults(base);
        THighScores tabs[3] = {base, base, base};
        double date = 45000.0;
        for (int k = 0; k < 12; ++k) {
            const int tab = static_cast<int>(rng() % 3);
            const int table = 1 + static_cast<int>(rng() % 2);
            const char* const names[3] = {"T0", "T1", "T2"};
            Record(tabs[tab][table], Entry(names[tab], static_cast<int32_t>(rng() % 40 + 1), date += 0.01));
            // Now and then a tab hears another's save.
            if (rng() % 3 == 0) MergeHighScores(tabs[rng() % 3], tabs[tab]);
        }
        THighScores x = tabs[0];
        MergeHighScores(x, tabs[1]);
        MergeHighScores(x, tabs[2]);
        THighScores y = tabs[2];
        MergeHighScores(y, tabs[0]);
        MergeHighScores(y, tabs[1]);
        for (int t = 1; t <= 2; ++t) EXPECT_EQ(Names(x[t], 5), Names(y[t], 5)) << "round " << round;
    }
}

TEST(HighScoreMerge, RatingKeepsBothTabsChanges) {
    // This tab went 1600 -> 1608; the other stored 1600 -> 1592.
    EXPECT_EQ(MergeRating(1608, 1600, 1592), 1600);
    EXPECT_EQ(MergeRating(1600, 1600, 1656), 1656);
    EXPECT_EQ(MergeRating(1608, 1608, 1608), 1608);
    EXPECT_EQ(MergeRating(2147483000, 0, 2000), 2147483647);
}
