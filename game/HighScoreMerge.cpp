#include "HighScoreMerge.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

bool SameEntry(const THighScoreEntry& a, const THighScoreEntry& b) {
    return a.NameText() == b.NameText() && a.Score == b.Score &&
           std::memcmp(&a.Date, &b.Date, sizeof a.Date) == 0;
}

// Whether `e` ranks before the entry `than` already in the list.
bool RanksBefore(const THighScoreEntry& e, const THighScoreEntry& than) {
    return e.Score < than.Score || (e.Score == than.Score && e.Date < than.Date);
}

}  // namespace

bool MergeHighScores(THighScores& mine, const THighScores& theirs) {
    bool changed = false;
    for (int t = 1; t <= 7; ++t) {
        THighScoreTable& table = mine[t];
        for (int j = 1; j <= 5; ++j) {
            const THighScoreEntry& e = theirs[t][j];
            bool held = false;
            for (int i = 1; i <= 6 && !held; ++i) held = SameEntry(table[i], e);
            if (held) continue;
            int p = 1;
            while (p <= 5 && !RanksBefore(e, table[p])) ++p;
            if (p > 5) continue;
            for (int i = 6; i > p; --i) table[i] = table[i - 1];
            table[p] = e;
            changed = true;
        }
    }
    return changed;
}

int32_t MergeRating(int32_t mine, int32_t base, int32_t stored) {
    const int64_t merged = int64_t{mine} + (int64_t{stored} - int64_t{base});
    return static_cast<int32_t>(std::clamp<int64_t>(merged, std::numeric_limits<int32_t>::min(),
                                                     std::numeric_limits<int32_t>::max()));
}
