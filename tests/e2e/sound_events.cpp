// Finds the game's sounds in a recording of a sound server's monitor and checks
// them against what a match must play:
//
//   e2e_sound_events RECORDING.raw DROP_SECONDS [LATE_SECONDS]
//   e2e_sound_events RECORDING.raw --first-tick   prints when the first tick
//                                                  began, fails while there is none
//   e2e_sound_events RECORDING.raw --ticks        prints when each tick began,
//                                                  one a line (not one already going
//                                                  at the start); fails while there is none
//   e2e_sound_events --record RECORDING.raw       copies the recorder's output from
//                                                  standard input to the file, and
//                                                  beside it (RECORDING.raw.times)
//                                                  the wall time at which each
//                                                  piece arrived and the bytes so far
//   e2e_sound_events --record-from SOURCE RECORDING.raw
//                                                  records SOURCE of the sound server
//                                                  (PULSE_SERVER) into the file, and
//                                                  writes beside it (RECORDING.raw.clock)
//                                                  the wall time of the recording's
//                                                  first sample as the server's own
//                                                  timing of the stream tells it, a
//                                                  line each time the server reports
//   e2e_sound_events RECORDING.raw --at T1 [T2 ...]
//                                                  for each wall time Ti prints the
//                                                  seconds of the recording that the
//                                                  server was recording then (from
//                                                  RECORDING.raw.clock); fails while
//                                                  the server has not reported yet
//   e2e_sound_events RECORDING.raw --starts-of SOUND.wav T1 [T2 ...]
//                                                  for each moment Ti (seconds since
//                                                  the recording began) prints how many
//                                                  ms after it SOUND.wav (16-bit stereo
//                                                  at 44100 Hz) next begins, or "none"
//                                                  within a second
//
// The recording is raw signed 16-bit little-endian stereo at 44100 Hz (parec's
// default). A sound is a stretch of signal after at least 0.3 s of silence, or
// from a sudden rise to full loudness inside another, or where a stereo sound
// turns exactly mono or a mono one stereo for 20 ms (a new sound cuts off the
// one playing). The
// match clock's tick is a mono sound (the same on both channels); an
// injection's sound is stereo (its two channels differ). The checks:
//   - ticks arrive about every 4 s: at least three, and the gaps between
//     neighbours are whole multiples of 4 s (one may be covered by another
//     sound starting with it), at least two of them a single 4 s step; a gap
//     may be longer by LATE_SECONDS, the time the game stood waiting to run
//     (its match clock runs on its timers);
//   - a stereo sound starts within 0.6 s after DROP_SECONDS, the moment the
//     tube was dropped (seconds since the recording began), and lasts at
//     least 0.6 s: it is not cut off (unless another sound of the game begins
//     where it stops: one sound at a time).
// Prints every sound found, then the verdict; exits 0 when the checks pass.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pulse/pulseaudio.h>
#include <string>
#include <unistd.h>
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
// A sound that cuts off another at the same loudness shows where the channels
// change: a stereo sound (the injection) turned exactly mono for this many
// frames (20 ms) is a tick that began there, and the other way round.
constexpr size_t SwitchFrames = 4;

struct TSound {
    double Start = 0;
    bool Stereo = false;
    double End = 0;  // the end of its last loud frame
};

// The samples of a 16-bit stereo RIFF WAVE file at 44100 Hz (none for another kind).
std::vector<int16_t> WaveSamples(const char* path) {
    std::vector<int16_t> out;
    FILE* f = std::fopen(path, "rb");
    if (!f) return out;
    std::vector<unsigned char> b;
    unsigned char buf[8192];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
    std::fclose(f);
    auto u32 = [&](size_t at) { return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24); };
    bool rightFormat = false;
    for (size_t pos = 12; pos + 8 <= b.size();) {
        const size_t size = u32(pos + 4), body = pos + 8;
        if (body + size > b.size()) break;
        if (std::memcmp(&b[pos], "fmt ", 4) == 0 && size >= 16)
            rightFormat = (b[body + 2] | b[body + 3] << 8) == 2 && u32(body + 4) == Rate && b[body + 14] == 16;
        if (std::memcmp(&b[pos], "data", 4) == 0 && rightFormat) {
            for (size_t i = 0; i + 1 < size; i += 2)
                out.push_back(static_cast<int16_t>(b[body + i] | b[body + i + 1] << 8));
            break;
        }
        pos = body + size + (size & 1);
    }
    return out;
}

// For each moment, the ms from it to where `sound` next begins in `pcm` (from
// 30 ms before the moment to a second after): the first place where 20 ms of
// the sound, from 20, 40, 60 or 80 ms into it, and the recording agree closely
// (normalised correlation above 0.9, so a server that resamples is still
// matched), at its best match; the earliest start that any of the four pieces
// gives. A server may leave out a sound's very first milliseconds, or a few in
// its first quantum; its start is still where the sound would have begun.
int SoundStarts(const std::vector<int16_t>& pcm, const std::vector<int16_t>& sound, int count, char** moments) {
    constexpr size_t Length = Rate / 50;  // frames compared
    if (sound.size() < 2 * (Length + 4 * Rate / 50)) {
        std::fprintf(stderr, "the sound is not 16-bit stereo at 44100 Hz, or too short\n");
        return 2;
    }
    const size_t frames = pcm.size() / 2;
    for (int m = 0; m < count; ++m) {
        const double t = std::atof(moments[m]);
        double best_start = 1e9;
        for (long skip = Rate / 50; skip <= 4 * Rate / 50; skip += Rate / 50) {
            double soundEnergy = 0;
            const int16_t* part = sound.data() + 2 * skip;
            for (size_t i = 0; i < 2 * Length; ++i) soundEnergy += static_cast<double>(part[i]) * part[i];
            auto match = [&](size_t at) {
                double dot = 0, energy = 0;
                for (size_t i = 0; i < 2 * Length; ++i) {
                    const double r = pcm[2 * at + i];
                    dot += r * part[i];
                    energy += r * r;
                }
                return energy > 0 ? dot / std::sqrt(energy * soundEnergy) : 0.0;
            };
            const long from = std::lround((t - 0.03) * Rate) + skip, to = std::lround((t + 1.0) * Rate) + skip;
            for (long at = std::max(0L, from); at < to && at + static_cast<long>(Length) < static_cast<long>(frames);
                 ++at) {
                if (match(static_cast<size_t>(at)) < 0.9) continue;
                long found = at;
                // The best match within the next millisecond is the start.
                double best = match(static_cast<size_t>(at));
                for (long k = at + 1; k < at + Rate / 1000; ++k)
                    if (const double c = match(static_cast<size_t>(k)); c > best) {
                        best = c;
                        found = k;
                    }
                best_start = std::min(best_start, static_cast<double>(found - skip) / Rate);
                break;
            }
        }
        if (best_start > 1e8) std::printf("none\n");
        else std::printf("%.1f\n", (best_start - t) * 1000);
    }
    return 0;
}

}  // namespace

// Copies standard input to `path` as it arrives, noting when each piece came.
int Record(const char* path) {
    FILE* out = std::fopen(path, "wb");
    FILE* times = std::fopen((std::string(path) + ".times").c_str(), "w");
    if (!out || !times) return 2;
    char buf[4096];
    long long total = 0;
    for (ssize_t n; (n = read(0, buf, sizeof buf)) > 0;) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::fwrite(buf, 1, static_cast<size_t>(n), out);
        std::fflush(out);
        total += n;
        std::fprintf(times, "%lld.%09ld %lld\n", static_cast<long long>(now.tv_sec), now.tv_nsec, total);
        std::fflush(times);
    }
    return 0;
}

// Records `source` into `path` through the server's own record stream. Where
// a moment lies in the recording is told by the server: with each timing
// report it gives the wall time it made the report (its own clock, the
// machine's), how many bytes it had queued for this stream by then, and how
// long a sample takes from the source to that queue. The wall time of the
// recording's first byte follows, however late this program reads or writes.
// A report is asked for every 100 ms; each gives a line of the clock file.
struct TRecorder {
    FILE* Out = nullptr;
    FILE* Clock = nullptr;
    pa_stream* Stream = nullptr;
    long long Written = 0;
};

void RecorderRead(pa_stream* s, size_t, void* data) {
    auto* r = static_cast<TRecorder*>(data);
    const void* bytes = nullptr;
    size_t n = 0;
    while (pa_stream_readable_size(s) > 0 && pa_stream_peek(s, &bytes, &n) == 0 && n > 0) {
        if (bytes) std::fwrite(bytes, 1, n, r->Out);
        else {
            // A hole in the stream: silence of its length keeps later bytes in place.
            static const char zeros[4096] = {};
            for (size_t left = n; left > 0; left -= std::min(left, sizeof zeros))
                std::fwrite(zeros, 1, std::min(left, sizeof zeros), r->Out);
        }
        r->Written += static_cast<long long>(n);
        pa_stream_drop(s);
    }
    std::fflush(r->Out);
}

void RecorderTiming(pa_stream* s, void* data) {
    auto* r = static_cast<TRecorder*>(data);
    const pa_timing_info* t = pa_stream_get_timing_info(s);
    // Until the stream runs the server has queued nothing, and its reports
    // place nothing.
    if (!t || t->write_index_corrupt || t->write_index <= 0 || !t->synchronized_clocks) return;
    const double reported = static_cast<double>(t->timestamp.tv_sec) + t->timestamp.tv_usec / 1e6;
    const double origin = reported - static_cast<double>(t->write_index) / (Rate * 4.0) - t->source_usec / 1e6;
    std::fprintf(r->Clock, "%.6f %lld\n", origin, static_cast<long long>(t->write_index));
    std::fflush(r->Clock);
}

void RecorderAskTiming(pa_mainloop_api* api, pa_time_event* e, const struct timeval*, void* data) {
    auto* r = static_cast<TRecorder*>(data);
    if (pa_stream_get_state(r->Stream) == PA_STREAM_READY)
        if (pa_operation* o = pa_stream_update_timing_info(r->Stream, nullptr, nullptr)) pa_operation_unref(o);
    timeval next{};
    api->time_restart(e, pa_timeval_add(pa_gettimeofday(&next), 100000));
}

int RecordFrom(const char* source, const char* path) {
    TRecorder r;
    r.Out = std::fopen(path, "wb");
    r.Clock = std::fopen((std::string(path) + ".clock").c_str(), "w");
    if (!r.Out || !r.Clock) return 2;
    pa_mainloop* loop = pa_mainloop_new();
    pa_mainloop_api* api = pa_mainloop_get_api(loop);
    pa_context* context = pa_context_new(api, "agarhold test recorder");
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return 3;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY) break;
        if (!PA_CONTEXT_IS_GOOD(state) || pa_mainloop_iterate(loop, 1, nullptr) < 0) {
            std::fprintf(stderr, "no sound server: %s\n", pa_strerror(pa_context_errno(context)));
            return 3;
        }
    }
    const pa_sample_spec format{PA_SAMPLE_S16LE, Rate, 2};
    // Pieces of 20 ms, as a recorder with that latency asks.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(20000, &format));
    r.Stream = pa_stream_new(context, "recording", &format, nullptr);
    pa_stream_set_read_callback(r.Stream, RecorderRead, &r);
    pa_stream_set_latency_update_callback(r.Stream, RecorderTiming, &r);
    if (pa_stream_connect_record(r.Stream, source, &attr,
                                 static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE)) < 0)
        return 3;
    timeval first{};
    api->time_new(api, pa_timeval_add(pa_gettimeofday(&first), 100000), RecorderAskTiming, &r);
    int status = 0;
    while (pa_mainloop_iterate(loop, 1, &status) >= 0) {
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(r.Stream)) || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
            std::fprintf(stderr, "the recording stream ended: %s\n", pa_strerror(pa_context_errno(context)));
            return 1;
        }
    }
    return status;
}

// The seconds of the recording at each wall time: the first sample's wall
// time is the median of the server's reports (they agree to a millisecond or
// two; the median leaves out a stray one).
int At(const char* path, int count, char** moments) {
    FILE* f = std::fopen((std::string(path) + ".clock").c_str(), "r");
    if (!f) return 1;
    std::vector<double> origins;
    double o = 0;
    long long index = 0;
    while (std::fscanf(f, "%lf %lld", &o, &index) == 2) origins.push_back(o);
    std::fclose(f);
    if (origins.empty()) return 1;
    std::sort(origins.begin(), origins.end());
    const double origin = origins[origins.size() / 2];
    for (int i = 0; i < count; ++i) std::printf("%.4f\n", std::atof(moments[i]) - origin);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--record") == 0) return Record(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--record-from") == 0) return RecordFrom(argv[2], argv[3]);
    if (argc >= 4 && std::strcmp(argv[2], "--at") == 0) return At(argv[1], argc - 3, argv + 3);
    if (argc >= 5 && std::strcmp(argv[2], "--starts-of") == 0) {
        FILE* f = std::fopen(argv[1], "rb");
        if (!f) return 2;
        std::vector<int16_t> pcm;
        int16_t buf[8192];
        size_t n;
        while ((n = std::fread(buf, sizeof(int16_t), 8192, f)) > 0) pcm.insert(pcm.end(), buf, buf + n);
        std::fclose(f);
        return SoundStarts(pcm, WaveSamples(argv[3]), argc - 4, argv + 4);
    }
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s RECORDING.raw DROP_SECONDS [LATE_SECONDS]\n", argv[0]);
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
    const double late = argc == 4 ? std::atof(argv[3]) : 0.0;
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
        if (!onset && quiet < QuietFramesBefore && !sounds.empty() && k >= lastStart + ClassifyFrames &&
            k + SwitchFrames <= frames) {
            const bool wasStereo = sounds.back().Stereo;
            const auto monoFrame = [&](size_t j) { return diff[j] == 0; };
            const auto stereoFrame = [&](size_t j) { return diff[j] > 0.02 * sum[j]; };
            bool switched = wasStereo ? !monoFrame(k - 1) : !stereoFrame(k - 1);
            for (size_t j = k; j < k + SwitchFrames && switched; ++j)
                switched = rms[j] >= ActiveRms && (wasStereo ? monoFrame(j) : stereoFrame(j));
            onset = switched;
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
        // Whole steps of 4 s, each give or take 0.25 s, and longer by up to
        // `late` where the game was kept from running: the most steps that fit.
        double steps = 0;
        for (double k = 1; k <= std::round(gap / 4.0) + 1; ++k)
            if (gap - 4.0 * k >= -0.25 * k && gap - 4.0 * k <= 0.25 * k + late) steps = k;
        if (steps < 1) {
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
        // One sound at a time: a sound of the game that begins where the
        // injection's stops (a tick that came due) cut it off rightly; one
        // that stops into silence was cut short.
        const TSound* next = injection + 1 < sounds.data() + sounds.size() ? injection + 1 : nullptr;
        if (next && next->Start - injection->End <= 0.011) {
            std::printf("the injection sound was cut off by the next sound at %.3f s\n", next->Start);
        } else {
            std::printf("FAIL: the injection sound stops after %.3f s\n", injection->End - injection->Start);
            ok = false;
        }
    }
    std::printf("%s\n", ok ? "ticks and the injection sound arrived" : "FAIL");
    return ok ? 0 : 1;
}
