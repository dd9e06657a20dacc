// The title screen's star field as motion alone, in plain C++: where each
// star's streak lies and what colour it has, step by step. The desktop widget
// (ui/StarField) and the browser both drive this and only draw what it says,
// so both show the same sky for the same seed.
//
// Coordinates: a star's head and tail are offsets from the centre point; the
// field is the rectangle (0, 0)..(width, height) in the field's own pixels,
// with the centre point somewhere in it (or outside: nothing requires it).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The star field's own generator (PCG32, XSH-RR): small, fully specified, so a
// seed gives the same sky on every compiler and standard library. Pure
// decoration: it never touches the game's generator.
class TStarRandom {
public:
    explicit TStarRandom(std::uint64_t seed = 0) { Seed(seed); }

    void Seed(std::uint64_t seed) {
        State_ = 0;
        Next32();
        State_ += seed;
        Next32();
    }

    std::uint32_t Next32() {
        const std::uint64_t old = State_;
        State_ = old * 6364136223846793005ULL + Increment;
        const auto xorShifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
        const auto rot = static_cast<std::uint32_t>(old >> 59u);
        return (xorShifted >> rot) | (xorShifted << ((0u - rot) & 31u));
    }

    // Uniform in 0..n-1 (n <= 1 gives 0), without bias: Lemire's
    // multiply-and-shift with rejection.
    std::uint32_t Below(std::uint32_t n) {
        if (n <= 1) return 0;
        std::uint64_t m = static_cast<std::uint64_t>(Next32()) * n;
        auto low = static_cast<std::uint32_t>(m);
        if (low < n) {
            const std::uint32_t threshold = (0u - n) % n;
            while (low < threshold) {
                m = static_cast<std::uint64_t>(Next32()) * n;
                low = static_cast<std::uint32_t>(m);
            }
        }
        return static_cast<std::uint32_t>(m >> 32);
    }

private:
    static constexpr std::uint64_t Increment = 1442695040888963407ULL;
    std::uint64_t State_ = 0;
};

class TStarMotion {
public:
    struct TStar {
        double X = 0, Y = 0;          // the head, relative to the centre
        double TailX = 0, TailY = 0;  // the streak's tail, relative to the centre
        std::uint8_t R = 0, G = 0, B = 0;
        // Changes whenever the star starts afresh (a new colour may come with
        // it): a front end caches what it makes from the colour by this.
        std::uint32_t Serial = 0;
    };

    static constexpr int MaxStars = 100;
    // No star starts closer to the centre than this, in pixels.
    static constexpr int MinStartDistance = 6;
    // Restarting stars appear within this distance of the centre (in x and y).
    static constexpr int RestartRadius = 40;
    // Slow flight: each movement step carries a star 0.9 % farther out (so the
    // farther out, the faster), plus a small push away from the centre: about
    // three seconds from the centre to the edge of the title screen's field.
    static constexpr double Growth = 0.009;
    static constexpr double Push = 0.25;
    // The streak's tail follows the head by this share of the gap per step.
    static constexpr double TailFollow = 0.22;

    // ---- How a front end draws the stars ----
    // The sky is black; each streak is a line from its tail to its head, in
    // its star's colour (opaque), 1 pixel wide, antialiased, with round caps
    // (a canvas's lineCap "round"), drawn over the sky in star order.
    static constexpr std::uint32_t SkyColour = 0x000000;  // #RRGGBB
    static constexpr double StreakWidth = 1.0;
    static constexpr char StreakCap[] = "round";
    static constexpr bool StreakAntialiased = true;
    // The title screen's field: 665 x 465, centre (400, 200), brightness 90,
    // one movement step every 10 ms, a frame every 30 ms.
    static constexpr int DefaultWidth = 665, DefaultHeight = 465;
    static constexpr int DefaultCentreX = 400, DefaultCentreY = 200;
    static constexpr int DefaultBrightness = 90;

    // A full sky on the title screen's field, from `seed`.
    explicit TStarMotion(std::uint64_t seed = 1);

    // The field's size in pixels. The stars stay where they are; a star whose
    // tail lies outside the new field restarts at its next step.
    void SetField(int width, int height);
    int Width() const { return Width_; }
    int Height() const { return Height_; }

    // The point the stars fly away from, in the field's pixels. The stars keep
    // their offsets from it, so the whole sky moves with it.
    void SetCentre(int x, int y);
    int CentreX() const { return CentreX_; }
    int CentreY() const { return CentreY_; }

    // Each colour channel is this brightness (clamped to 0..255) plus a random
    // amount, so that no channel passes 255. Starts a new sky.
    void SetBrightness(int brightness);
    int Brightness() const { return Brightness_; }

    // Re-seeds the generator and starts a new sky.
    void Seed(std::uint64_t seed);

    // A new sky: every star afresh anywhere on the field (at least
    // MinStartDistance from the centre), already under way with a streak.
    void Scatter();

    // One movement step: every star flies straight outward; a star whose tail
    // has left the field restarts near the centre.
    void Step();

    std::span<const TStar> Stars() const { return Stars_; }

    // ---- For the browser ----
    // Floats a star takes in WriteStreaks.
    static constexpr std::size_t StreakFloats = 7;
    // Writes the streaks, StreakFloats a star: x0, y0 (the tail), x1, y1 (the
    // head) in the field's own pixels, then r, g, b (0..255). Writes as many
    // whole stars as `capacity` floats hold; returns the floats written.
    std::size_t WriteStreaks(float* out, std::size_t capacity) const;

private:
    TStar NewStar(bool anywhere);

    TStarRandom Rng;
    std::array<TStar, MaxStars> Stars_{};
    std::uint32_t NextSerial = 0;
    int Width_ = DefaultWidth, Height_ = DefaultHeight;
    int CentreX_ = DefaultCentreX, CentreY_ = DefaultCentreY;
    int Brightness_ = DefaultBrightness;
};

// How many movement steps a frame takes: the steps that have fallen due since
// the last frame at one step per interval, the rest carried to the next frame.
// After a stall (a busy machine, a hidden page) the field moves on by at most
// MaxStepsPerFrame steps at once and forgets the rest.
class TStarPacer {
public:
    // The title screen's move interval and frame interval, in milliseconds.
    static constexpr int DefaultMoveIntervalMs = 10;
    static constexpr int FrameIntervalMs = 30;
    static constexpr std::int64_t MaxStepsPerFrame = 12;

    // One step every `ms` milliseconds (at least 1).
    void SetMoveInterval(int ms);
    int MoveInterval() const { return MoveIntervalMs; }

    // The next frame starts counting afresh (the field starts running again).
    void Restart();

    // The steps due at a frame at time `nowMs` (any monotonic millisecond
    // clock). The first frame after a restart takes none.
    int StepsAt(std::int64_t nowMs);

private:
    std::int64_t LastFrameMs = -1;
    std::int64_t RemainderMs = 0;
    int MoveIntervalMs = DefaultMoveIntervalMs;
};
