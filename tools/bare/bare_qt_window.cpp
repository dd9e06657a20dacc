// A bare Qt Widgets window of the game's client size at the game's place on
// the screen, and nothing else: the yardstick scripts/measure.sh sets the
// game's start-up time, CPU use and memory against. It links Qt alone.
//
// With --ticking it also does the least the title screen must do: a 25 ms
// timer that does nothing (the match clock runs from start-up) and, every
// 30 ms, the repaint of one 6 x 6 square somewhere in the window (a star
// frame). That is the floor of what any Qt window with those timers costs.
#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class TTickingWindow : public QWidget {
public:
    bool Ticking = false;

protected:
    void paintEvent(QPaintEvent* event) override {
        if (!Ticking) return;  // the plain window paints nothing of its own
        QPainter p(this);
        for (const QRect& r : event->region()) p.fillRect(r, (++Frames_ & 1) ? Qt::white : Qt::lightGray);
    }

private:
    int Frames_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool ticking = argc > 1 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--ticking");
    TTickingWindow window;
    window.Ticking = ticking;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.resize(747, 543);
    window.move(265, 146);
    QTimer clock;
    QTimer frames;
    if (ticking) {
        clock.setTimerType(Qt::PreciseTimer);
        clock.start(25);
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
