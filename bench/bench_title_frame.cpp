// One star-field frame of the title screen in the real window: the stars'
// move, the repaint of what their streaks touched (with every widget above
// them) and the flush to the screen. Runs on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise (under Xvfb with xcb the flush goes to the X
// server as in the game). Reports the repainted pixels and pieces per frame.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QPaintEvent>
#include <QTimer>

#include "AgarholdU1.h"
#include "StarField.h"
#include "TGame.h"
#include "VirtualHost.h"

namespace {

struct TPaintCount : QObject {
    qint64 Pixels = 0;
    qint64 Pieces = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            for (const QRect& r : static_cast<QPaintEvent*>(event)->region()) {
                Pixels += qint64(r.width()) * r.height();
                ++Pieces;
            }
        return false;
    }
};

void RunEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void BM_TitleScreenStarFrame(benchmark::State& state) {
    VirtualHost host;
    TGame game(host);
    TForm1 form(game);
    form.show();
    RunEvents(100);
    form.NcaStar1->SetActive(false);  // the frames come from the loop below
    form.NcaStar1->Seed(7);
    RunEvents(20);
    TPaintCount count;
    form.NcaStar1->installEventFilter(&count);
    for (auto _ : state) {
        // Three movement steps of 10 ms: one 30 ms frame.
        form.NcaStar1->Advance(3);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["px/frame"] = static_cast<double>(count.Pixels) / frames;
    state.counters["pieces/frame"] = static_cast<double>(count.Pieces) / frames;
}
BENCHMARK(BM_TitleScreenStarFrame)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
