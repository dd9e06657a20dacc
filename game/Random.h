// The game's one random generator: PCG32 (XSH RR), fully specified here so
// that a seed gives the same match on every compiler and standard library.
#pragma once

#include <cstdint>

class TRandom {
public:
    explicit TRandom(uint64_t seed = 0x853c49e6748fea9bULL) { Seed(seed); }

    void Seed(uint64_t seed) {
        State_ = 0;
        Next32();
        State_ += seed;
        Next32();
    }

    uint32_t Next32() {
        uint64_t old = State_;
        State_ = old * 6364136223846793005ULL + Inc;
        uint32_t xorshifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
        uint32_t rot = static_cast<uint32_t>(old >> 59u);
        return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
    }

    // Uniform in 0..n-1 without modulo bias (rejection of the short top range).
    // n <= 0 gives 0.
    int32_t Below(int32_t n) {
        if (n <= 1) return 0;
        const uint32_t un = static_cast<uint32_t>(n);
        const uint32_t threshold = (0u - un) % un;
        for (;;) {
            uint32_t r = Next32();
            if (r >= threshold) return static_cast<int32_t>(r % un);
        }
    }

private:
    static constexpr uint64_t Inc = 1442695040888963407ULL;
    uint64_t State_ = 0;
};
