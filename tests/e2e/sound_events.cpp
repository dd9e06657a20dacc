// Finds the game's sounds in a recording of a sound server's monitor and checks
// them against what a match must play:
//
//   e2e_sound_events RECORDING.raw DROP_SECONDS
//   e2e_sound_events RECORDING.raw --first-tick   prints when the first tick
//                                                  began, fails while there is none
//   e2e_sound_events RECORDING.raw --ticks        prints when each tick began,
//                                                  one a line (not one already going
//                                                  at the start); fails while there is none
//
// The recording is raw signed 16-bit little-endian stereo at 44100 Hz (parec's
// default). A sound is a stretch of signal after at least 0.3 s of silence, or
// from a sudden rise to full loudness inside another (a new sound cuts off the
// one playing). The
// match clock's tick is a mono sound (the same on both channels); an
// injection's sound is stereo (its two channels differ). The checks:
//   - ticks arrive about every 4 s: at least three, and the gaps between
//     neighbours are whole multiples of 4 s (one may be covered by another
//     sound starting with it), at least two of them a single 4 s step;
//   - a stereo sound starts within 0.6 s after DROP_SECONDS, the moment the
//     tube was dropped (seconds since the recording began), and lasts at
//     least 0.6 s: it is not cut off.
// Prints every sound found, then the verdict; exits 0 when the checks pass.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int Rate = 44100;
constexpr int Frame = Rate / 200;          // 5 ms
constexpr double ActiveRms = 100.0;        // of 32768: the null sink gives true silence
constexpr int QuietFramesBefore = 60;      // 0.3 s of silence before a new sound
constexpr int ClassifyFrames = 20;         // the first 100 ms tell mono from stereo
// A sound that cuts off another: a frame this loud, this many times louder
// than any of the 100 ms before it (a sound's own frames differ by less than
// twice from their neighbours).
constexpr double OnsetRms = 3000.0;
constexpr double OnsetRise = 3.0;
constexpr size_t OnsetLookBack = 20;

struct TSound {
    double Start = 0;
    bool Stereo = false;
    double End = 0;  // the end of its last loud frame
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s RECORDING.raw DROP_SECONDS\n", argv[0]);
        return 2;
    }
    FILE* f = std::fopen(argv[1], "rb");
    if (!f) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    std::vector<int16_t> pcm;
    int16_t buf[8192];
    size_t n;
    while ((n = std::fread(buf, sizeof(int16_t), 8192, f)) > 0) pcm.insert(pcm.end(), buf, buf + n);
    std::fclose(f);
    const bool firstTick = std::strcmp(argv[2], "--first-tick") == 0;
    const bool allTicks = std::strcmp(argv[2], "--ticks") == 0;
    const double drop = std::atof(argv[2]);
    const size_t frames = pcm.size() / 2 / Frame;
    if (!firstTick && !allTicks) std::printf("recording: %.2f s\n", static_cast<double>(pcm.size() / 2) / Rate);

    // Loudness of each 5 ms frame, and the energy of the channels' sum and difference.
    std::vector<double> rms(frames), sum(frames), diff(frames);
    for (size_t k = 0; k < frames; ++k) {
        double e = 0, s = 0, d = 0;
        for (int i = 0; i < Frame; ++i) {
            const double l = pcm[2 * (k * Frame + i)], r = pcm[2 * (k * Frame + i) + 1];
            e += (l * l + r * r) / 2;
            s += (l + r) * (l + r);
            d += (l - r) * (l - r);
        }
        rms[k] = std::sqrt(e / Frame);
        sum[k] = s;
        diff[k] = d;
    }

    std::vector<TSound> sounds;
    // A sound that was already going when the recording began has no known
    // start: the list of ticks leaves it out.
    int quiet = allTicks ? 0 : QuietFramesBefore;
    size_t lastStart = 0;
    for (size_t k = 0; k < frames; ++k) {
        if (rms[k] < ActiveRms) {
            ++quiet;
            continue;
        }
        // A new sound also begins where one cuts off another: the game plays
        // one sound at a time, so the new one starts at full loudness in the
        // middle of the old one's fading tail, with no silence between them.
        // The frame just before may hold the new sound's first milliseconds,
        // so it is left out of the comparison; a sound's own first 100 ms
        // never start another.
        bool onset = false;
        if (quiet < QuietFramesBefore && rms[k] >= OnsetRms && k >= OnsetLookBack + 1 &&
            k >= lastStart + ClassifyFrames) {
            double before = 0;
            for (size_t j = k - OnsetLookBack - 1; j < k - 1; ++j) before = std::max(before, rms[j]);
            onset = rms[k] >= OnsetRise * before;
        }
        if (quiet >= QuietFramesBefore || onset) {
            double s = 0, d = 0;
            for (size_t j = k; j < std::min(frames, k + ClassifyFrames); ++j) {
                s += sum[j];
                d += diff[j];
            }
            // A sound just begun is judged once its first 100 ms are there.
            if (k + ClassifyFrames > frames) break;
            sounds.push_back({static_cast<double>(k * Frame) / Rate, d > 0.02 * s, 0});
            lastStart = k;
            if (firstTick && !sounds.back().Stereo) {
                std::printf("%.3f\n", sounds.back().Start);
                return 0;
            }
        }
        quiet = 0;
        if (!sounds.empty()) sounds.back().End = static_cast<double>((k + 1) * Frame) / Rate;
    }

    if (firstTick) return 1;
    if (allTicks) {
        bool any = false;
        for (const TSound& s : sounds)
            if (!s.Stereo) {
                std::printf("%.3f\n", s.Start);
                any = true;
            }
        return any ? 0 : 1;
    }
    for (const TSound& s : sounds)
        std::printf("sound at %.3f s to %.3f s: %s\n", s.Start, s.End, s.Stereo ? "stereo" : "mono");

    bool ok = true;
    std::vector<double> ticks;
    for (const TSound& s : sounds)
        if (!s.Stereo) ticks.push_back(s.Start);
    int singleSteps = 0;
    for (size_t i = 1; i < ticks.size(); ++i) {
        const double gap = ticks[i] - ticks[i - 1];
        const double steps = std::round(gap / 4.0);
        if (steps < 1 || std::abs(gap - 4.0 * steps) > 0.25 * steps) {
            std::printf("FAIL: ticks %.3f s apart, not a multiple of about 4 s\n", gap);
            ok = false;
        }
        if (steps == 1) ++singleSteps;
    }
    if (ticks.size() < 3 || singleSteps < 2) {
        std::printf("FAIL: %zu ticks with %d gaps of 4 s; at least 3 ticks and 2 such gaps expected\n", ticks.size(),
                    singleSteps);
        ok = false;
    }
    // The injection's sound is a second long and fades; heard whole, it stays
    // loud for well over half a second.
    const TSound* injection = nullptr;
    for (const TSound& s : sounds)
        if (s.Stereo && s.Start >= drop - 0.1 && s.Start <= drop + 0.6) injection = &s;
    if (injection == nullptr) {
        std::printf("FAIL: no injection sound within 0.6 s after the drop at %.3f s\n", drop);
        ok = false;
    } else if (injection->End - injection->Start < 0.6) {
        std::printf("FAIL: the injection sound stops after %.3f s\n", injection->End - injection->Start);
        ok = false;
    }
    std::printf("%s\n", ok ? "ticks and the injection sound arrived" : "FAIL");
    return ok ? 0 : 1;
}
