// A small analog clock showing the local time with a seconds hand. Its face
// and hands are TClockFace's, which the browser draws from too.
#pragma once

#include <QTime>
#include <QTimer>
#include <QWidget>
#include <functional>

class TRxClock : public QWidget {
    Q_OBJECT
public:
    static constexpr int RefreshMs = 450;

    explicit TRxClock(QWidget* parent = nullptr);

    // Where the clock reads its time (the local time unless a test fixes it).
    void SetTimeSource(std::function<QTime()> source);
    QTime ShownTime() const { return Shown; }
    bool TimerRunning() const { return RefreshTimer.isActive(); }
    // A clock that a screen above it covers wholly rests like a hidden one,
    // and shows the time at once when uncovered.
    void SetCovered(bool covered);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Refresh();
    void UpdateTimer();

    std::function<QTime()> TimeSource;
    QTime Shown;
    QTimer RefreshTimer;
    bool Covered = false;
};
