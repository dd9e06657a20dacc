// The golden run as a program of its own, for WebAssembly (node or a browser
// page) and natively alike. Without an argument it plays the golden match and
// prints its board hash and whether it matches the pinned one (exit status 0
// when it does). With "step N" it times N generations of the growth-and-battle
// step on a mid-game board and prints microseconds per generation.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "GoldenMatch.h"

namespace {

// Red on the left, Blue on the right, meeting along a ragged front over the
// whole height, three gray spots, full tubes: a board in the middle of a match.
void BuildMidGameBoard(TGame& g) {
    TRandom r(2024);
    g.ClearGrid();
    for (int y = 1; y <= 100; ++y) {
        const int front = 50 + static_cast<int>((y * 37) % 23) - 11 + ((y / 10) % 2 ? 6 : -6);
        for (int x = 1; x <= 100; ++x) {
            uint8_t owner = x < front ? Red : Blue;
            if (r.Below(40) == 0) owner = owner == Red ? Blue : Red;
            if (r.Below(12) == 0) owner = Empty;
            TCell& c = g.Grid(x, y);
            c.Owner = owner;
            c.Strength = owner == Empty ? 0 : static_cast<uint8_t>(1 + r.Below(7));
            c.Vitality = static_cast<uint8_t>(r.Below(12));
        }
    }
    g.Inject(5, GraySpot, 30, 25, 3);
    g.Inject(5, GraySpot, 50, 50, 3);
    g.Inject(5, GraySpot, 70, 75, 3);
    for (int p = 1; p <= 2; ++p)
        for (int j = 1; j <= 5; ++j) g.Tube[p][j] = TTube{5, 250};
    g.AIRating = 1900;
}

int TimeSteps(int generations) {
    VirtualHost host;
    TGame g(host);
    BuildMidGameBoard(g);
    const TGrid start = g.Grid;
    // Rounds of 50 generations from the same board; the fastest round counts,
    // the steadiest figure on a shared machine.
    double best = 1e300;
    uint64_t board = 0;
    for (int done = 0; done < generations; done += 50) {
        g.Grid = start;
        g.Rng.Seed(7);
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < 50; ++i)
            for (int b = 0; b < 5; ++b) g.DIBTimer1Timer();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::micro>(t1 - t0).count() / 50.0);
        board = GoldenBoardHashOf(g.Grid);
    }
    std::printf("generation %.1f us (board %016" PRIx64 ")\n", best, board);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "step") == 0)
        return TimeSteps(argc >= 3 ? std::max(50, std::atoi(argv[2])) : 2000);
    const TGoldenResult r = RunGoldenMatch();
    const bool same = r.BoardHash == GoldenBoardHash;
    std::printf("golden board %016" PRIx64 " %s (end %" PRId64 " ms, %s, human %d ms, computer %d ms, rating %d)\n",
                r.BoardHash, same ? "matches" : "DIFFERS", r.EndMs, r.Result.c_str(), r.HumanWinTime,
                r.ComputerWinTime, r.PlayerRating);
    return same ? 0 : 1;
}
