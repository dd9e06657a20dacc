// The game's one random generator: SplitMix64, fully specified here so
// that a seed gives the same match on every compiler and standard library.
#pragma once

#include <cstdint>

class TRandom {
public:
    explicit TRandom(uint64_t seed = 0x853c49e6748fea9bULL) { Seed(seed); }

    void Seed(uint64_t seed) { State_ = seed; }

    // SplitMix64: the state only advances by a constant, so successive draws do
    // not wait on each other's multiplications; the output is well mixed.
    uint32_t Next32() {
        uint64_t z = (State_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
    }

    // Uniform in 0..n-1 without modulo bias (Lemire's multiply-and-shift with
    // rejection: the common path takes one multiplication, no division).
    // n <= 1 gives 0.
    int32_t Below(int32_t n) {
        if (n <= 1) return 0;
        const uint32_t un = static_cast<uint32_t>(n);
        uint64_t m = static_cast<uint64_t>(Next32()) * un;
        uint32_t low = static_cast<uint32_t>(m);
        if (low < un) {
            const uint32_t threshold = (0u - un) % un;
            while (low < threshold) {
                m = static_cast<uint64_t>(Next32()) * un;
                low = static_cast<uint32_t>(m);
            }
        }
        return static_cast<int32_t>(m >> 32);
    }

private:
    uint64_t State_ = 0;
};
