// Headless match simulator: plays seeded single games (game mode 1) on the
// virtual clock, the scripted human against the computer at every rating, and
// prints per rating how often the computer wins and how long a game lasts.
//
//   agarhold_sim [matches-per-rating [cap-minutes [rating ...]]]
//
// Defaults: 200 matches per rating, a cap of 20 minutes of match time (a game
// still running then counts as a draw), all seven ratings. The same match
// numbers use the same seeds at every rating, so the ratings meet the same
// spots and the same human.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../tests/support/ScriptedHuman.h"
#include "TGame.h"
#include "VirtualHost.h"

namespace {

enum class TOutcome { ComputerWon, HumanWon, Draw };

struct TMatchResult {
    TOutcome Outcome = TOutcome::Draw;
    int32_t MatchTimeMs = 0;
};

TMatchResult PlayMatch(int32_t rating, int match, int64_t capMs) {
    VirtualHost host;
    host.Seed = 1 + 1000ULL * static_cast<uint64_t>(match);  // the game's clock seeds
    TGame game(host);
    game.GameMode = 1;
    game.AIRating = rating;

    TScriptedHumanOptions options;
    options.Seed = static_cast<uint64_t>(match) + 1;
    TScriptedHuman human(game, host, options);

    // Setup runs the chooser and the countdown inside and returns once the
    // match timers are on; the match then runs on the host's clock.
    game.DIBImage2MouseUp();
    // The end of a game stops the step timer; the result caption stays.
    const bool ended = host.RunUntil([&] { return !game.DIBTimer1.Enabled(); }, capMs);
    host.Terminate();

    TMatchResult r;
    r.MatchTimeMs = game.MatchTime;
    if (!ended) {
        r.Outcome = TOutcome::Draw;
    } else if (game.ComputerWinTime > 0) {
        r.Outcome = TOutcome::ComputerWon;  // its home-line test comes first in a tick
    } else if (game.Screen.RxLabel2.Caption == "You Won") {
        r.Outcome = TOutcome::HumanWon;
    }
    return r;
}

double Median(std::vector<int32_t> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

}  // namespace

int main(int argc, char** argv) {
    int matches = 200;
    int capMinutes = 20;
    std::vector<int32_t> ratings;
    if (argc > 1) matches = std::max(1, std::atoi(argv[1]));
    if (argc > 2) capMinutes = std::max(1, std::atoi(argv[2]));
    for (int i = 3; i < argc; ++i) ratings.push_back(std::atoi(argv[i]));
    if (ratings.empty()) ratings = {1000, 1300, 1600, 1900, 2200, 2500, 2800};
    const int64_t capMs = int64_t{capMinutes} * 60 * 1000;

    std::printf("%d matches per rating, game mode 1, game speed 50 ms, cap %d min (draw)\n",
                matches, capMinutes);
    std::printf("%-7s %8s %8s %6s %15s %18s %18s\n", "rating", "AI wins", "human", "draws",
                "AI win rate %", "median length s", "median AI win s");
    for (int32_t rating : ratings) {
        int computerWins = 0, humanWins = 0, draws = 0;
        std::vector<int32_t> lengths, computerLengths;
        for (int m = 0; m < matches; ++m) {
            const TMatchResult r = PlayMatch(rating, m, capMs);
            switch (r.Outcome) {
                case TOutcome::ComputerWon:
                    ++computerWins;
                    computerLengths.push_back(r.MatchTimeMs / 1000);
                    break;
                case TOutcome::HumanWon: ++humanWins; break;
                case TOutcome::Draw: ++draws; break;
            }
            if (r.Outcome != TOutcome::Draw) lengths.push_back(r.MatchTimeMs / 1000);
        }
        std::printf("%-7d %8d %8d %6d %15.1f %18.1f %18.1f\n", rating, computerWins, humanWins,
                    draws, 100.0 * computerWins / matches, Median(lengths),
                    Median(computerLengths));
        std::fflush(stdout);
    }
    return 0;
}
