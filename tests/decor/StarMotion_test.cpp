// The star field's motion without any window: the same sky for the same seed,
// stars that fly outward and restart near the centre, and the flat streaks
// the browser draws.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "StarMotion.h"

namespace {

using TStar = TStarMotion::TStar;

double Distance(double x, double y) { return std::hypot(x, y); }

std::vector<TStar> Copy(const TStarMotion& m) { return {m.Stars().begin(), m.Stars().end()}; }

bool Same(const TStar& a, const TStar& b) {
    return a.X == b.X && a.Y == b.Y && a.TailX == b.TailX && a.TailY == b.TailY && a.R == b.R && a.G == b.G &&
           a.B == b.B;
}

}  // namespace

// A seed fixes the sky and every step after it; another seed gives another.
TEST(StarMotion, theSameSeedGivesTheSameSkyStepByStep) {
    TStarMotion a(42), b(7), c(42);
    b.Seed(42);  // re-seeding starts the same sky as a fresh field
    for (int step = 0; step < 600; ++step) {
        for (std::size_t i = 0; i < TStarMotion::MaxStars; ++i) {
            ASSERT_TRUE(Same(a.Stars()[i], b.Stars()[i])) << "step " << step << " star " << i;
            ASSERT_TRUE(Same(a.Stars()[i], c.Stars()[i])) << "step " << step << " star " << i;
        }
        a.Step();
        b.Step();
        c.Step();
    }
    TStarMotion other(43);
    int differing = 0;
    for (std::size_t i = 0; i < TStarMotion::MaxStars; ++i) differing += !Same(a.Stars()[i], other.Stars()[i]);
    EXPECT_GT(differing, 90);
}

// A new sky: a hundred stars on the field, none within 6 pixels of the centre,
// each already trailing a streak toward the centre; each colour channel the
// brightness plus a random amount.
TEST(StarMotion, aNewSkyIsSpreadOverTheFieldAwayFromTheCentre) {
    int left = 0, right = 0;
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
        TStarMotion m(seed);
        ASSERT_EQ(m.Stars().size(), 100u);
        bool allGray = true;
        for (const TStar& s : m.Stars()) {
            EXPECT_GE(Distance(s.X, s.Y), TStarMotion::MinStartDistance);
            EXPECT_GE(Distance(s.TailX, s.TailY), TStarMotion::MinStartDistance - 1e-9);
            EXPECT_LE(Distance(s.TailX, s.TailY), Distance(s.X, s.Y));
            EXPECT_GE(s.X, -400);
            EXPECT_LT(s.X, 665 - 400);
            EXPECT_GE(s.Y, -200);
            EXPECT_LT(s.Y, 465 - 200);
            (s.X < 0 ? left : right) += 1;
            for (int channel : {s.R, s.G, s.B}) EXPECT_GE(channel, 90);
            allGray = allGray && s.R == s.G && s.G == s.B;
        }
        EXPECT_FALSE(allGray);
    }
    // The centre lies right of the middle: more sky, so more stars, to its
    // left (400 columns against 265).
    EXPECT_GT(left, 13 * right / 10);
    // Brightness is clamped to 0..255; at 255 every star is white.
    TStarMotion white;
    white.SetBrightness(300);
    EXPECT_EQ(white.Brightness(), 255);
    for (const TStar& s : white.Stars()) EXPECT_TRUE(s.R == 255 && s.G == 255 && s.B == 255);
    // A field smaller than the ring round its centre still gets its stars,
    // outside the ring.
    TStarMotion tiny;
    tiny.SetField(1, 1);
    tiny.SetCentre(0, 0);
    tiny.Scatter();
    tiny.Step();
    for (const TStar& s : tiny.Stars()) EXPECT_GE(Distance(s.X, s.Y), TStarMotion::MinStartDistance);
}

// Stars fly straight outward, faster the farther out; a star whose tail leaves
// the field restarts within 40 pixels of the centre but at least 6 from it, and
// no tail is ever outside the field.
TEST(StarMotion, starsFlyOutwardAndRestartNearTheCentre) {
    TStarMotion m(5);
    int restarts = 0;
    double nearMoved = 0, farMoved = 0;
    int nearCount = 0, farCount = 0;
    for (int step = 0; step < 1500; ++step) {
        const std::vector<TStar> before = Copy(m);
        m.Step();
        for (std::size_t i = 0; i < before.size(); ++i) {
            const TStar& a = before[i];
            const TStar& b = m.Stars()[i];
            ASSERT_GE(b.TailX, -400);
            ASSERT_LE(b.TailX, 665 - 400);
            ASSERT_GE(b.TailY, -200);
            ASSERT_LE(b.TailY, 465 - 200);
            if (b.Serial != a.Serial) {
                ++restarts;
                EXPECT_GE(Distance(b.X, b.Y), TStarMotion::MinStartDistance);
                EXPECT_LE(std::abs(b.X), TStarMotion::RestartRadius);
                EXPECT_LE(std::abs(b.Y), TStarMotion::RestartRadius);
                EXPECT_TRUE(b.X == b.TailX && b.Y == b.TailY);
                // It left: its tail would have passed an edge.
                const double grow = TStarMotion::Growth + TStarMotion::Push / Distance(a.X, a.Y);
                const double tx = a.TailX + (a.X + a.X * grow - a.TailX) * TStarMotion::TailFollow;
                const double ty = a.TailY + (a.Y + a.Y * grow - a.TailY) * TStarMotion::TailFollow;
                EXPECT_TRUE(tx < -400 || tx > 265 || ty < -200 || ty > 265) << tx << "," << ty;
                continue;
            }
            EXPECT_NEAR(a.X * b.Y - a.Y * b.X, 0.0, 1e-9 * Distance(a.X, a.Y) * Distance(b.X, b.Y));
            const double moved = Distance(b.X - a.X, b.Y - a.Y);
            EXPECT_GT(Distance(b.X, b.Y), Distance(a.X, a.Y));
            if (Distance(a.X, a.Y) < 60) nearMoved += moved, ++nearCount;
            if (Distance(a.X, a.Y) > 200) farMoved += moved, ++farCount;
        }
    }
    EXPECT_GT(restarts, 300);
    ASSERT_GT(nearCount, 0);
    ASSERT_GT(farCount, 0);
    EXPECT_GT(farMoved / farCount, 2 * nearMoved / nearCount);
}

// The browser gets 7 floats a star: tail, head in the field's pixels, colour.
// Moving the centre moves the whole sky with it.
TEST(StarMotion, writesTheStreaksInTheFieldsPixels) {
    TStarMotion m(11);
    for (int i = 0; i < 50; ++i) m.Step();
    std::vector<float> out(TStarMotion::MaxStars * TStarMotion::StreakFloats + 3, -1.0f);
    ASSERT_EQ(m.WriteStreaks(out.data(), out.size()), 700u);
    for (std::size_t i = 0; i < TStarMotion::MaxStars; ++i) {
        const TStar& s = m.Stars()[i];
        const float* f = &out[i * 7];
        EXPECT_EQ(f[0], static_cast<float>(s.TailX + 400));
        EXPECT_EQ(f[1], static_cast<float>(s.TailY + 200));
        EXPECT_EQ(f[2], static_cast<float>(s.X + 400));
        EXPECT_EQ(f[3], static_cast<float>(s.Y + 200));
        EXPECT_EQ(f[4], s.R);
        EXPECT_EQ(f[5], s.G);
        EXPECT_EQ(f[6], s.B);
    }
    EXPECT_EQ(out[700], -1.0f);
    // Only whole stars fit.
    std::vector<float> few(20, -1.0f);
    EXPECT_EQ(m.WriteStreaks(few.data(), few.size()), 14u);
    EXPECT_EQ(few[14], -1.0f);
    EXPECT_EQ(m.WriteStreaks(nullptr, 0), 0u);

    m.SetCentre(100, 50);
    std::vector<float> moved(700);
    m.WriteStreaks(moved.data(), moved.size());
    for (std::size_t i = 0; i < TStarMotion::MaxStars; ++i) {
        const TStar& s = m.Stars()[i];
        EXPECT_EQ(moved[i * 7 + 0], static_cast<float>(s.TailX + 100));
        EXPECT_EQ(moved[i * 7 + 3], static_cast<float>(s.Y + 50));
        EXPECT_NEAR(moved[i * 7 + 2], out[i * 7 + 2] - 300.0f, 1e-3);
    }
}

// A frame takes the steps that fell due since the last one, keeps the rest for
// the next, and after a stall moves on by at most 12 steps.
TEST(StarMotion, thePacerTurnsFrameTimesIntoSteps) {
    TStarPacer pacer;
    EXPECT_EQ(pacer.MoveInterval(), 10);
    EXPECT_EQ(pacer.StepsAt(5000), 0);  // the first frame only starts the count
    EXPECT_EQ(pacer.StepsAt(5030), 3);
    EXPECT_EQ(pacer.StepsAt(5055), 2);  // 25 ms: 2 steps, 5 ms kept
    EXPECT_EQ(pacer.StepsAt(5060), 1);  // 5 + 5 ms
    EXPECT_EQ(pacer.StepsAt(5069), 0);
    EXPECT_EQ(pacer.StepsAt(5071), 1);
    EXPECT_EQ(pacer.StepsAt(9000), 12);  // a stall: the rest is dropped
    EXPECT_EQ(pacer.StepsAt(9005), 0);
    EXPECT_EQ(pacer.StepsAt(8000), 0);  // a clock that went back
    EXPECT_EQ(pacer.StepsAt(8010), 1);
    pacer.Restart();
    EXPECT_EQ(pacer.StepsAt(20000), 0);
    pacer.SetMoveInterval(0);
    EXPECT_EQ(pacer.MoveInterval(), 1);
    EXPECT_EQ(pacer.StepsAt(20007), 7);
}
