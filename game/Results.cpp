// Results: a fast single-game win enters the highscore table of the
// computer's rating; a finished series moves the player's rating.
#include "TGame.h"

#include <algorithm>
#include <limits>

void TGame::RecordHighScore() { RecordHighScoreAgainst(AIRating); }

void TGame::RecordHighScoreAgainst(int32_t aiRating) {
    // Table t belongs to computer rating 1000 + 300 (t - 1).
    int t = (aiRating - 1000) / 300 + 1;
    if (t < 1) t = 1;
    if (t > 7) t = 7;
    THighScoreTable& table = HighScores[t];
    const int32_t s = MatchTime / 1000;

    if (s >= table[5].Score) {
        Host.MessageBox("Sorry, no highscore this time", "No Highscore");
        return;
    }
    // A time equal to an existing score ranks after it.
    int p = 1;
    while (s >= table[p].Score) ++p;

    std::string name = "NoName";
    if (!Host.InputBox("Congratulation you got a highscore", "Input your name", name))
        name = "NoName";

    // Entry 6 takes the one pushed out of the list; 7..10 stay as they are.
    for (int i = 6; i > p; --i) table[i] = table[i - 1];
    THighScoreEntry& e = table[p];
    e.Score = s;
    e.Date = Host.Now();
    e.SetName(name);
    Host.ResultsChanged();
}

void TGame::ApplyRatingChange(bool won) {
    // In 64 bits: a damaged file may hold any rating, and the gaps between the
    // two ratings must not overflow.
    const int64_t a = AIRating;
    const int64_t p = PlayerRating;
    int64_t next = p;
    if (won) {
        // Beating a stronger computer gains more; a much weaker one gains nothing.
        if (a >= p)
            next = p + (a - p + 1) / 25 + 8;
        else if (a >= p - 400)
            next = p + 8 - (p - a + 1) / 50;
    } else {
        // Losing to a weaker computer costs more; to a much stronger one nothing.
        if (a <= p)
            next = p - ((p - a + 1) / 25 + 8);
        else if (a <= p + 400)
            next = p - (8 - (a - p + 1) / 50);
    }
    PlayerRating = static_cast<int32_t>(
        std::clamp<int64_t>(next, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    Host.ResultsChanged();
}
