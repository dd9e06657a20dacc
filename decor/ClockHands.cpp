#include "ClockHands.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// A segment along the twelve o'clock direction, from `from` to `to` pixels out
// from the centre (negative: behind it), turned clockwise by `degrees`
// about the centre. The quarter turns are exact, so hands and marks on them
// lie on whole pixel columns and rows.
TClockSegment Turned(double cx, double cy, double degrees, double from, double to, double width,
                     std::uint32_t colour) {
    double sine = 0, cosine = 1;
    if (degrees == 90.0) {
        sine = 1;
        cosine = 0;
    } else if (degrees == 180.0) {
        cosine = -1;
    } else if (degrees == 270.0) {
        sine = -1;
        cosine = 0;
    } else if (degrees != 0.0) {
        const double radians = degrees * std::numbers::pi / 180.0;
        sine = std::sin(radians);
        cosine = std::cos(radians);
    }
    // The point (0, -d) in screen coordinates, turned clockwise on screen.
    const auto x = [&](double d) { return cx + d * sine; };
    const auto y = [&](double d) { return cy - d * cosine; };
    return {x(from), y(from), x(to), y(to), width, colour};
}

// Hands start this share of the radius behind the centre.
constexpr double HandTail = 0.12;
// Reach of the hands and inner end of the marks, as shares of the radius.
constexpr double HourReach = 0.52, MinuteReach = 0.76, SecondReach = 0.86;
constexpr double QuarterMarkInner = 0.80, MarkInner = 0.88;

std::size_t Write(const TClockSegment* segments, std::size_t count, float* out, std::size_t capacity) {
    count = std::min(count, capacity / TClockFace::SegmentFloats);
    for (std::size_t i = 0; i < count; ++i) {
        float* f = out + i * TClockFace::SegmentFloats;
        f[0] = static_cast<float>(segments[i].X0);
        f[1] = static_cast<float>(segments[i].Y0);
        f[2] = static_cast<float>(segments[i].X1);
        f[3] = static_cast<float>(segments[i].Y1);
        f[4] = static_cast<float>(segments[i].Width);
    }
    return count * TClockFace::SegmentFloats;
}

}  // namespace

TClockFace::TClockFace(int width, int height)
    : CentreX_(width / 2.0), CentreY_(height / 2.0), Radius_(std::min(width, height) / 2.0 - 2.0) {}

std::array<TClockSegment, 12> TClockFace::Marks() const {
    std::array<TClockSegment, 12> marks;
    for (int i = 0; i < 12; ++i) {
        const bool quarter = i % 3 == 0;
        marks[static_cast<std::size_t>(i)] =
            Turned(CentreX_, CentreY_, i * 30.0, Radius_, Radius_ * (quarter ? QuarterMarkInner : MarkInner),
                   quarter ? QuarterMarkWidth : MarkWidth, quarter ? QuarterMarkColour : MarkColour);
    }
    return marks;
}

std::array<TClockSegment, 3> TClockFace::Hands(int hour, int minute, int second) const {
    const double hours = (hour % 12) + minute / 60.0;
    const double minutes = minute + second / 60.0;
    const double tail = -Radius_ * HandTail;
    return {Turned(CentreX_, CentreY_, hours * 30.0, tail, Radius_ * HourReach, HourHandWidth, HourHandColour),
            Turned(CentreX_, CentreY_, minutes * 6.0, tail, Radius_ * MinuteReach, MinuteHandWidth,
                   MinuteHandColour),
            Turned(CentreX_, CentreY_, second * 6.0, tail, Radius_ * SecondReach, SecondHandWidth,
                   SecondHandColour)};
}

std::size_t TClockFace::WriteHands(int hour, int minute, int second, float* out, std::size_t capacity) const {
    if (!HasDial()) return 0;
    const std::array<TClockSegment, 3> hands = Hands(hour, minute, second);
    return Write(hands.data(), hands.size(), out, capacity);
}

std::size_t TClockFace::WriteMarks(float* out, std::size_t capacity) const {
    if (!HasDial()) return 0;
    const std::array<TClockSegment, 12> marks = Marks();
    return Write(marks.data(), marks.size(), out, capacity);
}
