// Cost of one whole generation of the growth-and-battle step (five band ticks
// and the close) on a mid-game board and on an empty one, against a floor: a
// bare pass that only forms the Blue and Red 3 x 3 sums of every playfield cell.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "TGame.h"
#include "VirtualHost.h"

// Every heap allocation in the process is counted, so the benchmark can report
// how many a generation makes (the goal: none beyond the caption strings).
namespace {
std::atomic<int64_t> Allocations{0};
}

void* operator new(std::size_t size) {
    Allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// GCC 14 inlines the sized delete at a container's deallocation, sees free()
// take a pointer that came from operator new and warns (-Wmismatched-new-delete),
// not knowing that this operator new is the malloc() just above. The pair is
// matched; the warning is silenced for these two definitions only.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

// Red on the left, Blue on the right, meeting along a ragged front that winds
// over the whole height; strengths 1..7, vitalities 0..11, three gray spots and
// a few enemy pockets behind each line.
void BuildMidGameBoard(TGame& g) {
    TRandom r(2024);
    g.ClearGrid();
    for (int y = 1; y <= 100; ++y) {
        const int front = 50 + static_cast<int>((y * 37) % 23) - 11 + ((y / 10) % 2 ? 6 : -6);
        for (int x = 1; x <= 100; ++x) {
            uint8_t owner = x < front ? Red : Blue;
            if (r.Below(40) == 0) owner = owner == Red ? Blue : Red;
            if (r.Below(12) == 0) owner = Empty;
            TCell& c = g.Grid(x, y);
            c.Owner = owner;
            c.Strength = owner == Empty ? 0 : static_cast<uint8_t>(1 + r.Below(7));
            c.Vitality = static_cast<uint8_t>(r.Below(12));
        }
    }
    g.Inject(5, GraySpot, 30, 25, 3);
    g.Inject(5, GraySpot, 50, 50, 3);
    g.Inject(5, GraySpot, 70, 75, 3);
    for (int p = 1; p <= 2; ++p)
        for (int j = 1; j <= 5; ++j) g.Tube[p][j] = TTube{5, 250};
    g.AIRating = 1900;
}

void RunGenerations(benchmark::State& state, bool midGame) {
    VirtualHost host;
    TGame g(host);
    if (midGame) BuildMidGameBoard(g);
    const TGrid start = g.Grid;
    int64_t allocations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        g.Grid = start;
        g.Rng.Seed(7);
        const int64_t before = Allocations.load(std::memory_order_relaxed);
        state.ResumeTiming();
        for (int i = 0; i < 5; ++i) g.DIBTimer1Timer();
        benchmark::DoNotOptimize(g.Grid);
        allocations += Allocations.load(std::memory_order_relaxed) - before;
    }
    // Heap allocations per generation; the two captions account for them.
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

void BM_GenerationMidGame(benchmark::State& state) { RunGenerations(state, true); }
void BM_GenerationEmpty(benchmark::State& state) { RunGenerations(state, false); }

// The floor: every playfield cell's two 3 x 3 sums into a buffer, nothing else,
// formed the same way as the step forms them (each cell's Blue and Red strength
// taken once, through a mask per owner code; three-row column sums; then three
// columns).
void BM_FloorSums(benchmark::State& state) {
    VirtualHost host;
    TGame g(host);
    BuildMidGameBoard(g);
    uint8_t blueMask[256] = {};
    uint8_t redMask[256] = {};
    blueMask[Blue] = 0xFF;
    redMask[Red] = 0xFF;
    static int32_t blueSums[BoardHeight + 1][BoardWidth + 1];
    static int32_t redSums[BoardHeight + 1][BoardWidth + 1];
    for (auto _ : state) {
        int rowBlue[3][GridSize];
        int rowRed[3][GridSize];
        int columnBlue[GridSize];
        int columnRed[GridSize];
        auto loadRow = [&](int slot, int y) {
            for (int x = 0; x < GridSize; ++x) {
                const TCell& c = g.Grid(x, y);
                rowBlue[slot][x] = c.Strength & blueMask[c.Owner];
                rowRed[slot][x] = c.Strength & redMask[c.Owner];
            }
        };
        loadRow(0, 0);
        loadRow(1, 1);
        for (int y = 1; y <= BoardHeight; ++y) {
            loadRow((y + 1) % 3, y + 1);
            for (int x = 0; x < GridSize; ++x) {
                columnBlue[x] = rowBlue[0][x] + rowBlue[1][x] + rowBlue[2][x];
                columnRed[x] = rowRed[0][x] + rowRed[1][x] + rowRed[2][x];
            }
            for (int x = 1; x <= BoardWidth; ++x) {
                blueSums[y][x] = columnBlue[x - 1] + columnBlue[x] + columnBlue[x + 1];
                redSums[y][x] = columnRed[x - 1] + columnRed[x] + columnRed[x + 1];
            }
        }
        benchmark::DoNotOptimize(blueSums);
        benchmark::DoNotOptimize(redSums);
        benchmark::ClobberMemory();
    }
}

}  // namespace

// On a shared machine the least of several repetitions is the steadiest figure:
// run with --benchmark_repetitions=10 and read the _min rows.
double Least(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

BENCHMARK(BM_GenerationMidGame)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Least);
BENCHMARK(BM_GenerationEmpty)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Least);
BENCHMARK(BM_FloorSums)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Least);

BENCHMARK_MAIN();
