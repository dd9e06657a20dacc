#include "HighScores.h"

#include <algorithm>
#include <cstring>

std::string THighScoreEntry::NameText() const {
    const size_t n = std::min<size_t>(NameLength, Name.size());
    return std::string(Name.data(), n);
}

void THighScoreEntry::SetName(const std::string& name) {
    Name.fill(0);
    const size_t n = std::min(name.size(), Name.size());
    std::memcpy(Name.data(), name.data(), n);
    NameLength = static_cast<uint8_t>(n);
}

void SetHighScoreDefaults(THighScores& scores) {
    for (int t = 1; t <= 7; ++t)
        for (int i = 1; i <= 10; ++i) {
            THighScoreEntry& e = scores[t][i];
            e = THighScoreEntry{};
            e.SetName(t == 1 ? "Hollowbrine" : "");
        }
}

namespace {

void PutInt32(uint8_t* p, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetInt32(const uint8_t* p) {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(p[i]) << (8 * i);
    return static_cast<int32_t>(u);
}

void PutDouble(uint8_t* p, double d) {
    uint64_t u = 0;
    std::memcpy(&u, &d, sizeof u);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
}

double GetDouble(const uint8_t* p) {
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(p[i]) << (8 * i);
    double d = 0;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

size_t EntryOffset(int t, int i) {
    return static_cast<size_t>(400 * (t - 1) + HighScoreEntrySize * (i - 1));
}

}  // namespace

std::array<uint8_t, HighScoreFileSize> EncodeHighScores(const THighScores& scores,
                                                        int32_t playerRating) {
    std::array<uint8_t, HighScoreFileSize> out{};
    for (int t = 1; t <= 7; ++t)
        for (int i = 1; i <= 10; ++i) {
            const THighScoreEntry& e = scores[t][i];
            uint8_t* p = out.data() + EntryOffset(t, i);
            p[0] = e.NameLength;
            std::memcpy(p + 1, e.Name.data(), e.Name.size());
            PutInt32(p + 24, e.Score);
            PutDouble(p + 32, e.Date);
        }
    PutInt32(out.data() + 2800, playerRating);
    return out;
}

bool DecodeHighScores(const uint8_t* data, size_t size, THighScores& scores,
                      int32_t& playerRating) {
    // Overlay the bytes that are there on the current record, as a block read
    // that stops at the end of a short file would.
    std::array<uint8_t, HighScoreFileSize> rec = EncodeHighScores(scores, playerRating);
    const size_t n = std::min<size_t>(size, HighScoreFileSize);
    if (n > 0) std::memcpy(rec.data(), data, n);
    for (int t = 1; t <= 7; ++t)
        for (int i = 1; i <= 10; ++i) {
            THighScoreEntry& e = scores[t][i];
            const uint8_t* p = rec.data() + EntryOffset(t, i);
            e.NameLength = p[0];
            std::memcpy(e.Name.data(), p + 1, e.Name.size());
            e.Score = GetInt32(p + 24);
            e.Date = GetDouble(p + 32);
        }
    playerRating = GetInt32(rec.data() + 2800);
    return size >= static_cast<size_t>(HighScoreFileSize);
}
