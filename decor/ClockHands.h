// The analog clock's face and hands as line segments, in plain C++: the
// desktop widget (ui/AnalogClock) and the browser both paint from these, so
// both clocks look the same.
//
// All coordinates are in the clock's own pixels, (0, 0) at its top-left
// corner, y downwards. Angles run clockwise from twelve o'clock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct TClockSegment {
    double X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    double Width = 0;             // the pen's width in pixels
    std::uint32_t Colour = 0;     // #RRGGBB
};

class TClockFace {
public:
    // ---- How a front end draws the clock ----
    // Fill the whole clock with the background, then (antialiased) the twelve
    // marks with square caps (a canvas's lineCap "square"), then the hour,
    // minute and second hands in that order with round caps ("round"), then
    // the hub: a filled circle of HubRadius in HubColour at the centre, no
    // outline. A clock too small for a dial (HasDial false) is the background
    // alone. All colours are opaque, #RRGGBB.
    static constexpr std::uint32_t BackgroundColour = 0x070707;
    static constexpr std::uint32_t MarkColour = 0x808080;         // the eight small marks
    static constexpr std::uint32_t QuarterMarkColour = 0xC0C0C0;  // 12, 3, 6 and 9 o'clock
    static constexpr double MarkWidth = 1.0;
    static constexpr double QuarterMarkWidth = 1.6;
    static constexpr char MarkCap[] = "square";
    static constexpr std::uint32_t HourHandColour = 0x808080;
    static constexpr std::uint32_t MinuteHandColour = 0x808080;
    static constexpr std::uint32_t SecondHandColour = 0xC0C0C0;
    static constexpr double HourHandWidth = 2.4;
    static constexpr double MinuteHandWidth = 1.7;
    static constexpr double SecondHandWidth = 0.9;
    static constexpr char HandCap[] = "round";
    static constexpr std::uint32_t HubColour = 0x505050;
    static constexpr double HubRadius = 1.6;
    static constexpr bool Antialiased = true;

    // The dial fills the clock's smaller side, 2 pixels in from its edge.
    TClockFace(int width, int height);

    bool HasDial() const { return Radius_ > 4; }
    double CentreX() const { return CentreX_; }
    double CentreY() const { return CentreY_; }
    double Radius() const { return Radius_; }

    // The twelve marks, from twelve o'clock clockwise: each runs inward from
    // the dial's edge, the quarters longer and brighter.
    std::array<TClockSegment, 12> Marks() const;

    // The hour, minute and second hands for a time of day (hour 0..23). Each
    // runs from a little behind the centre out to its tip; the hour hand moves
    // on with the minutes, the minute hand with the seconds.
    std::array<TClockSegment, 3> Hands(int hour, int minute, int second) const;

    // ---- For the browser ----
    // Floats a segment takes in WriteHands and WriteMarks.
    static constexpr std::size_t SegmentFloats = 5;
    // Writes the hour, minute and second hands, SegmentFloats each: x0, y0,
    // x1, y1, width. Writes as many whole hands as `capacity` floats hold;
    // returns the floats written. Nothing for a clock without a dial.
    std::size_t WriteHands(int hour, int minute, int second, float* out, std::size_t capacity) const;
    // The same for the twelve marks, from twelve o'clock clockwise; mark i is
    // a quarter mark (QuarterMarkColour) when i is a multiple of 3.
    std::size_t WriteMarks(float* out, std::size_t capacity) const;

private:
    double CentreX_, CentreY_, Radius_;
};
