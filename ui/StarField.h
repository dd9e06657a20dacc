// The title screen's moving background: stars that fly outward from a centre
// point as short coloured streaks. Pure decoration: it draws its randomness
// from its own generator and never touches the game's.
#pragma once

#include <QColor>
#include <QPen>
#include <QPoint>
#include <QPointF>
#include <QRandomGenerator>
#include <QRegion>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include <vector>

class TNcaStar : public QWidget {
    Q_OBJECT
public:
    struct TStar {
        QPointF Offset;      // position relative to the centre
        QPointF TailOffset;  // where the streak's tail is
        QColor Color;
        QPen Pen;  // the streak's pen in its colour, made once per star
    };

    static constexpr int MaxStars = 100;
    static constexpr int MinStartDistance = 6;  // stars start at least this far from the centre

    explicit TNcaStar(QWidget* parent = nullptr);

    // Running or frozen; a hidden star field never runs its timer.
    void SetActive(bool active);
    bool Active() const { return IsActive; }

    // The point the stars fly away from, in widget coordinates.
    void SetCentre(QPoint centre);
    QPoint Centre() const { return CentreP; }

    // Each colour channel is this brightness plus a random amount.
    void SetBrightness(int brightness);
    int Brightness() const { return BrightnessV; }

    // One movement step every `ms` milliseconds (the frames may be coarser:
    // a frame moves the stars by as many steps as have fallen due).
    void SetMoveInterval(int ms);
    int MoveInterval() const { return MoveIntervalMs; }

    // Re-seeds the star field's own generator and starts all stars afresh.
    void Seed(quint32 seed);

    // Moves every star one step (what the timer does per movement interval).
    void Step();

    // One frame: moves every star `steps` steps and repaints the tiles that
    // hold a streak's old or new place, leaving out what opaque widgets
    // stacked above the field hide. Returns the area asked to repaint.
    QRegion Advance(int steps);

    const QVector<TStar>& Stars() const { return StarList; }
    bool TimerRunning() const { return FrameTimer.isActive(); }

    // Milliseconds between two frames.
    static constexpr int FrameIntervalMs = 30;
    // Side of the square tiles a frame's repaint is made of.
    static constexpr int DamageTile = 32;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Frame();
    void UpdateTimer();
    TStar NewStar(bool anywhere);
    QRect StreakRect(const TStar& star) const;
    QRegion HiddenByOverlays() const;

    QRandomGenerator Rng;
    QVector<TStar> StarList;
    // Kept between frames, so that a frame allocates nothing.
    std::vector<bool> DamageTiles;
    QVector<QRect> DamageRuns;
    QTimer FrameTimer;
    qint64 LastFrameMs = -1;
    qint64 StepRemainderMs = 0;
    bool IsActive = true;
    QPoint CentreP{400, 200};
    int BrightnessV = 90;
    int MoveIntervalMs = 10;
};
