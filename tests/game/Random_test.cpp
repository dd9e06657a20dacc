// The game's random generator: reproducible, in range, unbiased.
#include <gtest/gtest.h>

#include <array>

#include "Random.h"

// The same seed gives the same draws; another seed gives others.
TEST(GameRandom, SameSeedSameSequence) {
    TRandom a(42), b(42), c(43);
    int differ = 0;
    for (int i = 0; i < 100; ++i) {
        int x = a.Below(1000);
        EXPECT_EQ(x, b.Below(1000));
        differ += x != c.Below(1000);
    }
    EXPECT_GT(differ, 90);
}

// Draws below N stay in 0..N-1, and N of 0 or 1 gives 0.
TEST(GameRandom, DrawsStayInRange) {
    TRandom r(7);
    for (int n : {1, 2, 3, 5, 7, 10, 20, 90, 10000, 2147483647}) {
        for (int i = 0; i < 2000; ++i) {
            int x = r.Below(n);
            ASSERT_GE(x, 0);
            ASSERT_LT(x, n);
        }
    }
    EXPECT_EQ(r.Below(0), 0);
    EXPECT_EQ(r.Below(-5), 0);
}

// Every value below 10 comes up about equally often (a chi-square bound that a
// modulo-biased or stuck generator fails).
TEST(GameRandom, DrawsAreUniform) {
    TRandom r(2026);
    std::array<int, 10> counts{};
    const int n = 100000;
    for (int i = 0; i < n; ++i) ++counts[static_cast<size_t>(r.Below(10))];
    double chi = 0;
    for (int c : counts) chi += (c - n / 10.0) * (c - n / 10.0) / (n / 10.0);
    EXPECT_LT(chi, 27.9);  // p = 0.001 for 9 degrees of freedom

    // A range of 3/4 of 2^32 would favour low values by 2:1 with a plain modulo.
    const int32_t big = 0x60000000;  // 1.5 * 2^30
    int low = 0;
    for (int i = 0; i < 20000; ++i) low += r.Below(big) < big / 2;
    EXPECT_NEAR(low, 10000, 400);
}
