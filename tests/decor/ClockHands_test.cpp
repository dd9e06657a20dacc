// The analog clock's geometry without any window: hands that point where the
// time says, the twelve marks, and the flat segments the browser draws.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ClockHands.h"

namespace {

// The match screen's clock: 57 x 65, so the centre is (28.5, 32.5) and the
// dial's radius 26.5.
constexpr double Cx = 28.5, Cy = 32.5, R = 26.5;

// Clockwise from twelve o'clock, 0..360.
double Degrees(double dx, double dy) {
    const double a = std::atan2(dx, -dy) * 180.0 / 3.14159265358979323846;
    return a < 0 ? a + 360.0 : a;
}

// A hand points at `degrees`, reaches `reach` radii out and starts 0.12 radii
// behind the centre.
void ExpectHand(const TClockSegment& hand, double degrees, double reach, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_NEAR(Degrees(hand.X1 - Cx, hand.Y1 - Cy), degrees, 1e-9);
    EXPECT_NEAR(std::hypot(hand.X1 - Cx, hand.Y1 - Cy), reach * R, 1e-9);
    EXPECT_NEAR(std::hypot(hand.X0 - Cx, hand.Y0 - Cy), 0.12 * R, 1e-9);
    // The tail lies straight behind the centre.
    EXPECT_NEAR((hand.X0 - Cx) * (hand.Y1 - Cy) - (hand.Y0 - Cy) * (hand.X1 - Cx), 0.0, 1e-9);
    EXPECT_LT((hand.X0 - Cx) * (hand.X1 - Cx) + (hand.Y0 - Cy) * (hand.Y1 - Cy), 0.0);
}

}  // namespace

// Hour, minute and second hands where the time says, the hour hand moving on
// with the minutes and the minute hand with the seconds; 15:00 is 3:00.
TEST(ClockFace, handsPointWhereTheTimeSays) {
    const TClockFace face(57, 65);
    ASSERT_TRUE(face.HasDial());
    EXPECT_EQ(face.CentreX(), Cx);
    EXPECT_EQ(face.CentreY(), Cy);
    EXPECT_EQ(face.Radius(), R);
    struct TCase {
        int H, M, S;
        double Hour, Minute, Second;
    };
    for (const TCase& c : {TCase{3, 0, 0, 90, 0, 0}, TCase{15, 0, 0, 90, 0, 0}, TCase{6, 30, 0, 195, 180, 0},
                           TCase{9, 45, 0, 292.5, 270, 0}, TCase{12, 0, 15, 0, 1.5, 90},
                           TCase{0, 20, 45, 10, 124.5, 270}, TCase{23, 59, 59, 359.5, 359.9, 354}}) {
        SCOPED_TRACE(testing::Message() << c.H << ":" << c.M << ":" << c.S);
        const auto hands = face.Hands(c.H, c.M, c.S);
        ExpectHand(hands[0], c.Hour, 0.52, "hour");
        ExpectHand(hands[1], c.Minute, 0.76, "minute");
        ExpectHand(hands[2], c.Second, 0.86, "second");
        EXPECT_EQ(hands[0].Width, 2.4);
        EXPECT_EQ(hands[1].Width, 1.7);
        EXPECT_EQ(hands[2].Width, 0.9);
        EXPECT_EQ(hands[0].Colour, 0x808080u);
        EXPECT_EQ(hands[1].Colour, 0x808080u);
        EXPECT_EQ(hands[2].Colour, 0xC0C0C0u);
    }
    // On the quarters the hands lie exactly along a pixel row or column.
    const auto threeOClock = face.Hands(3, 0, 0);
    EXPECT_EQ(threeOClock[0].Y0, Cy);
    EXPECT_EQ(threeOClock[0].Y1, Cy);
    EXPECT_EQ(threeOClock[1].X0, Cx);
    EXPECT_EQ(threeOClock[1].X1, Cx);
    const auto halfMinute = face.Hands(3, 0, 30);
    EXPECT_EQ(halfMinute[2].X0, Cx);  // 30 s: straight down
    EXPECT_EQ(halfMinute[2].X1, Cx);
    EXPECT_GT(halfMinute[2].Y1, Cy);
}

// Twelve marks from twelve o'clock clockwise, each from the dial's edge
// inward; the quarters longer, wider and brighter.
TEST(ClockFace, twelveMarksTheQuartersLonger) {
    const TClockFace face(57, 65);
    const auto marks = face.Marks();
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        const TClockSegment& m = marks[static_cast<std::size_t>(i)];
        const bool quarter = i % 3 == 0;
        EXPECT_NEAR(Degrees(m.X0 - Cx, m.Y0 - Cy), i * 30.0, 1e-9);
        EXPECT_NEAR(Degrees(m.X1 - Cx, m.Y1 - Cy), i * 30.0, 1e-9);
        EXPECT_NEAR(std::hypot(m.X0 - Cx, m.Y0 - Cy), R, 1e-9);
        EXPECT_NEAR(std::hypot(m.X1 - Cx, m.Y1 - Cy), (quarter ? 0.80 : 0.88) * R, 1e-9);
        EXPECT_EQ(m.Width, quarter ? 1.6 : 1.0);
        EXPECT_EQ(m.Colour, quarter ? 0xC0C0C0u : 0x808080u);
    }
    EXPECT_EQ(marks[0].X0, Cx);
    EXPECT_EQ(marks[3].Y0, Cy);
    EXPECT_EQ(marks[6].X0, Cx);
    EXPECT_EQ(marks[9].Y0, Cy);
    // The dial fits the smaller side, 2 pixels in, whichever side that is.
    EXPECT_EQ(TClockFace(80, 40).Radius(), 18.0);
}

// The browser gets 5 floats a segment: x0, y0, x1, y1, width; only whole
// segments, and nothing for a clock too small for a dial.
TEST(ClockFace, writesHandsAndMarksForTheBrowser) {
    const TClockFace face(57, 65);
    std::vector<float> out(16, -1.0f);
    ASSERT_EQ(face.WriteHands(6, 30, 0, out.data(), out.size()), 15u);
    const auto hands = face.Hands(6, 30, 0);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(out[i * 5 + 0], static_cast<float>(hands[i].X0));
        EXPECT_EQ(out[i * 5 + 1], static_cast<float>(hands[i].Y0));
        EXPECT_EQ(out[i * 5 + 2], static_cast<float>(hands[i].X1));
        EXPECT_EQ(out[i * 5 + 3], static_cast<float>(hands[i].Y1));
        EXPECT_EQ(out[i * 5 + 4], static_cast<float>(hands[i].Width));
    }
    EXPECT_EQ(out[15], -1.0f);
    EXPECT_EQ(face.WriteHands(6, 30, 0, out.data(), 14), 10u);

    std::vector<float> marks(60);
    ASSERT_EQ(face.WriteMarks(marks.data(), marks.size()), 60u);
    EXPECT_EQ(marks[0], 28.5f);  // twelve o'clock: from the top of the dial
    EXPECT_EQ(marks[1], 6.0f);
    EXPECT_EQ(marks[4], 1.6f);
    EXPECT_EQ(marks[5 + 4], 1.0f);

    const TClockFace tiny(12, 20);  // radius 4: no dial
    EXPECT_FALSE(tiny.HasDial());
    EXPECT_EQ(tiny.WriteHands(3, 0, 0, out.data(), out.size()), 0u);
    EXPECT_EQ(tiny.WriteMarks(marks.data(), marks.size()), 0u);
    EXPECT_TRUE(TClockFace(13, 20).HasDial());
}
