// The golden run of the browser build, natively: a whole seeded series on the
// virtual clock ends on the pinned board. The WebAssembly build runs the same
// scenario (web/host/golden_main.cpp) and must print the same hash.
#include <gtest/gtest.h>

#include "../../web/host/GoldenMatch.h"

// The same seeds give the same two games, to the last cell.
TEST(GoldenMatch, ASeededSeriesEndsOnThePinnedBoard) {
    const TGoldenResult r = RunGoldenMatch();
    EXPECT_EQ(r.BoardHash, GoldenBoardHash);
    EXPECT_EQ(r.EndMs, 210300);
    EXPECT_EQ(r.Result, "Red Won");
    EXPECT_EQ(r.PlayerRating, 1598);
    // And once more: nothing outside the run leaks into it.
    EXPECT_EQ(RunGoldenMatch().BoardHash, r.BoardHash);
}
