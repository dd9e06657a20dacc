// Painting the magnified board once per frame: straight from the grid into the
// view's scanlines, against one QImage::setPixel per cell scaled up afterwards.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <random>

#include "Board.h"
#include "TGame.h"

namespace {

// A board in mid-game: both colonies, gray spots and empty cells at random.
TGrid MidGameGrid() {
    TGrid grid;
    std::mt19937 rng(2026);
    const uint8_t owners[] = {Empty, Blue, Red, Blue, Red, GraySpot};
    for (int y = 1; y <= BoardHeight; ++y)
        for (int x = 1; x <= BoardWidth; ++x) {
            TCell& c = grid(x, y);
            c.Owner = owners[rng() % 6];
            c.Strength = static_cast<uint8_t>(rng() % 12);
        }
    return grid;
}

void BM_PaintMagnifiedBoardFromScanlines(benchmark::State& state) {
    const TGrid grid = MidGameGrid();
    QImage view;
    for (auto _ : state) {
        PaintMagnifiedBoard(grid, true, view);
        benchmark::DoNotOptimize(view.constBits());
    }
}
BENCHMARK(BM_PaintMagnifiedBoardFromScanlines)->Unit(benchmark::kMicrosecond);

void BM_PaintBoardWithSetPixelThenScale(benchmark::State& state) {
    const TGrid grid = MidGameGrid();
    QImage board(GridSize, GridSize, QImage::Format_RGB32);
    const QImage tint(1, 1, QImage::Format_RGB32);
    for (auto _ : state) {
        board.fill(BoardBackColour);
        for (int x = 1; x <= BoardWidth; ++x)
            for (int y = 1; y <= BoardHeight; ++y) {
                QRgb c;
                if (CellColour(grid(x, y), c)) board.setPixel(x, y, c);
            }
        QImage view(MagnifierWidth, MagnifierHeight, QImage::Format_RGB32);
        view.fill(BoardBackColour);
        QPainter p(&view);
        p.drawImage(0, 0, board.scaled(MagnifierWidth, MagnifierWidth, Qt::IgnoreAspectRatio,
                                       Qt::FastTransformation));
        p.setOpacity(TintOpacity / 255.0);
        p.fillRect(TintLeft, 0, MagnifierWidth - TintLeft, MagnifierHeight, QColor(TintColour));
        p.end();
        benchmark::DoNotOptimize(view.constBits());
    }
}
BENCHMARK(BM_PaintBoardWithSetPixelThenScale)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
