// Highscore records as the game keeps them, and their 2808-byte saved form.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct THighScoreEntry {
    uint8_t NameLength = 0;          // characters used, 0..20 in a sound file
    std::array<char, 20> Name{};     // 8-bit characters; only the first NameLength count
    int32_t Score = 9999;            // whole seconds needed to win; 9999 = no result yet
    double Date = 0.0;               // days since 1899-12-30, time of day as fraction

    // The name as shown: its first NameLength characters, never more than 20
    // (a damaged length byte above 20 is cut to 20).
    std::string NameText() const;
    // Stores the first 20 characters of `name`.
    void SetName(const std::string& name);
};

// Ten entries, 1-based: Entries[1..10]; [0] is unused.
struct THighScoreTable {
    std::array<THighScoreEntry, 11> Entries{};
    THighScoreEntry& operator[](int i) { return Entries[static_cast<size_t>(i)]; }
    const THighScoreEntry& operator[](int i) const { return Entries[static_cast<size_t>(i)]; }
};

// Seven tables, 1-based: table t holds the games against computer rating
// 1000 + 300 (t - 1).
struct THighScores {
    std::array<THighScoreTable, 8> Tables{};
    THighScoreTable& operator[](int t) { return Tables[static_cast<size_t>(t)]; }
    const THighScoreTable& operator[](int t) const { return Tables[static_cast<size_t>(t)]; }
};

constexpr int HighScoreFileSize = 2808;
constexpr int HighScoreEntrySize = 40;

// Every entry Score 9999 and Date 0.0; "Hollowbrine" in every entry of table 1 only.
void SetHighScoreDefaults(THighScores& scores);

// The 2808-byte record: tables, then PlayerRating at 2800, little-endian.
std::array<uint8_t, HighScoreFileSize> EncodeHighScores(const THighScores& scores,
                                                        int32_t playerRating);
// Places the first `size` bytes (at most 2808) of a record over `scores` and
// `playerRating`, field by field, as a block read would. Returns true when the
// whole record was there.
bool DecodeHighScores(const uint8_t* data, size_t size, THighScores& scores,
                      int32_t& playerRating);
