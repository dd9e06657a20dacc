// Bringing the results another copy of the game saved into this one's tables
// (two browser tabs share one highscore file): nothing either copy recorded
// is lost when the other writes.
#pragma once

#include <cstdint>

#include "HighScores.h"

// Inserts into `mine` every entry among places 1..5 of `theirs` that `mine`
// does not hold in places 1..6 (same name, score and date), where it ranks as
// a result does: before the first of places 1..5 with a higher score, or with
// the same score and a later date; the entry pushed out of place 5 goes to
// place 6 and places 7..10 stay. An entry that ranks below place 5 is left
// out. Returns true when `mine` changed. Merging the same tables again
// changes nothing, and copies whose lists are in rank order end with the
// same places 1..5 whatever order they merge each other's tables in.
bool MergeHighScores(THighScores& mine, const THighScores& theirs);

// The rating after another copy moved the stored one from `base` (what this
// copy last read or wrote) to `stored`: this copy's own change is kept, and
// the other's is added to it.
int32_t MergeRating(int32_t mine, int32_t base, int32_t stored);
