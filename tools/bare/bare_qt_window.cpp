// A bare Qt Widgets window of the game's client size at the game's place on
// the screen, and nothing else: the yardstick scripts/measure.sh sets the
// game's start-up time, CPU use and memory against. It links Qt alone.
//
// With --frames it repaints one 6 x 6 square somewhere in the window every
// 30 ms, at the star field's cadence, and does nothing else: the floor of
// what any Qt window animating at that rate costs. --ticking adds a 25 ms
// timer that does nothing, as the match clock's once ran from start-up.
#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class TTickingWindow : public QWidget {
public:
    bool Animated = false;

protected:
    void paintEvent(QPaintEvent* event) override {
        if (!Animated) return;  // the plain window paints nothing of its own
        QPainter p(this);
        for (const QRect& r : event->region()) p.fillRect(r, (++Frames_ & 1) ? Qt::white : Qt::lightGray);
    }

private:
    int Frames_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const bool ticking = mode == QLatin1String("--ticking");
    const bool framing = ticking || mode == QLatin1String("--frames");
    TTickingWindow window;
    window.Animated = framing;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.resize(747, 543);
    window.move(265, 146);
    QTimer clock;
    QTimer frames;
    if (ticking) {
        clock.setTimerType(Qt::PreciseTimer);
        clock.start(25);
    }
    if (framing) {
        frames.setTimerType(Qt::CoarseTimer);
        int n = 0;
        QObject::connect(&frames, &QTimer::timeout, &window, [&window, &n] {
            ++n;
            window.update(QRect(20 + (n * 37) % 700, 20 + (n * 23) % 500, 6, 6));
        });
        frames.start(30);
    }
    window.show();
    return app.exec();
}
