#include "StarMotion.h"

#include <algorithm>
#include <cmath>

TStarMotion::TStarMotion(std::uint64_t seed) : Rng(seed) { Scatter(); }

void TStarMotion::SetField(int width, int height) {
    Width_ = width;
    Height_ = height;
}

void TStarMotion::SetCentre(int x, int y) {
    CentreX_ = x;
    CentreY_ = y;
}

void TStarMotion::SetBrightness(int brightness) {
    Brightness_ = std::clamp(brightness, 0, 255);
    Scatter();
}

void TStarMotion::Seed(std::uint64_t seed) {
    Rng.Seed(seed);
    Scatter();
}

void TStarMotion::Scatter() {
    for (TStar& s : Stars_) s = NewStar(true);
}

TStarMotion::TStar TStarMotion::NewStar(bool anywhere) {
    TStar star;
    // A random offset at least MinStartDistance from the centre: anywhere on
    // the field for a new sky, near the centre for a star that restarts.
    const int minDx = anywhere ? -CentreX_ : -RestartRadius;
    const int maxDx = anywhere ? std::max(Width_, 1) - CentreX_ : RestartRadius;
    const int minDy = anywhere ? -CentreY_ : -RestartRadius;
    const int maxDy = anywhere ? std::max(Height_, 1) - CentreY_ : RestartRadius;
    const auto spanX = static_cast<std::uint32_t>(std::max(1, maxDx - minDx));
    const auto spanY = static_cast<std::uint32_t>(std::max(1, maxDy - minDy));
    // A field that lies wholly within MinStartDistance of the centre has no
    // such place: its stars start just outside and restart at the next step.
    int dx = MinStartDistance, dy = 0;
    for (int tries = 0; tries < 256; ++tries) {
        const int x = minDx + static_cast<int>(Rng.Below(spanX));
        const int y = minDy + static_cast<int>(Rng.Below(spanY));
        if (x * x + y * y >= MinStartDistance * MinStartDistance) {
            dx = x;
            dy = y;
            break;
        }
    }
    star.X = star.TailX = dx;
    star.Y = star.TailY = dy;
    if (anywhere) {
        // Already under way: give it the streak it would have by now.
        const double d = std::hypot(star.X, star.Y);
        const double tail = std::max<double>(MinStartDistance, d - d * Growth * 3.5);
        star.TailX = star.X * (tail / d);
        star.TailY = star.Y * (tail / d);
    }
    const auto spare = static_cast<std::uint32_t>(256 - Brightness_);
    star.R = static_cast<std::uint8_t>(Brightness_ + static_cast<int>(Rng.Below(spare)));
    star.G = static_cast<std::uint8_t>(Brightness_ + static_cast<int>(Rng.Below(spare)));
    star.B = static_cast<std::uint8_t>(Brightness_ + static_cast<int>(Rng.Below(spare)));
    star.Serial = NextSerial++;
    return star;
}

void TStarMotion::Step() {
    // The field relative to the centre, edges included.
    const double left = -CentreX_, right = Width_ - CentreX_;
    const double top = -CentreY_, bottom = Height_ - CentreY_;
    for (TStar& s : Stars_) {
        const double grow = Growth + Push / std::hypot(s.X, s.Y);
        s.X += s.X * grow;
        s.Y += s.Y * grow;
        s.TailX += (s.X - s.TailX) * TailFollow;
        s.TailY += (s.Y - s.TailY) * TailFollow;
        if (s.TailX < left || s.TailX > right || s.TailY < top || s.TailY > bottom) s = NewStar(false);
    }
}

std::size_t TStarMotion::WriteStreaks(float* out, std::size_t capacity) const {
    const std::size_t count = std::min<std::size_t>(Stars_.size(), capacity / StreakFloats);
    for (std::size_t i = 0; i < count; ++i) {
        const TStar& s = Stars_[i];
        float* f = out + i * StreakFloats;
        f[0] = static_cast<float>(s.TailX + CentreX_);
        f[1] = static_cast<float>(s.TailY + CentreY_);
        f[2] = static_cast<float>(s.X + CentreX_);
        f[3] = static_cast<float>(s.Y + CentreY_);
        f[4] = s.R;
        f[5] = s.G;
        f[6] = s.B;
    }
    return count * StreakFloats;
}

void TStarPacer::SetMoveInterval(int ms) { MoveIntervalMs = std::max(1, ms); }

void TStarPacer::Restart() {
    LastFrameMs = -1;
    RemainderMs = 0;
}

int TStarPacer::StepsAt(std::int64_t nowMs) {
    if (LastFrameMs < 0) LastFrameMs = nowMs;
    // A clock that went back counts as no time at all.
    const std::int64_t due = std::max<std::int64_t>(0, nowMs - LastFrameMs) + RemainderMs;
    LastFrameMs = nowMs;
    const std::int64_t steps = std::min<std::int64_t>(due / MoveIntervalMs, MaxStepsPerFrame);
    RemainderMs = steps == MaxStepsPerFrame ? 0 : due % MoveIntervalMs;
    return static_cast<int>(steps);
}
