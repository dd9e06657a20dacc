// The title screen's moving background: stars that fly outward from a centre
// point as short coloured streaks. The motion is TStarMotion's, which the
// browser drives too; this widget runs its timer, paints the streaks and
// repaints only where they were and are. Pure decoration: its randomness is
// its own and never touches the game's.
#pragma once

#include <QColor>
#include <QPen>
#include <QPoint>
#include <QPointF>
#include <QRegion>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

#include "StarMotion.h"

class TNcaStar : public QWidget {
    Q_OBJECT
public:
    struct TStar {
        QPointF Offset;      // position relative to the centre
        QPointF TailOffset;  // where the streak's tail is
        QColor Color;
        QPen Pen;  // the streak's pen in its colour, made once per star
    };

    static constexpr int MaxStars = TStarMotion::MaxStars;
    // Stars start at least this far from the centre.
    static constexpr int MinStartDistance = TStarMotion::MinStartDistance;

    explicit TNcaStar(QWidget* parent = nullptr);

    // Running or frozen; a hidden star field never runs its timer.
    void SetActive(bool active);
    bool Active() const { return IsActive; }

    // The point the stars fly away from, in widget coordinates.
    void SetCentre(QPoint centre);
    QPoint Centre() const { return CentreP; }

    // Each colour channel is this brightness plus a random amount.
    void SetBrightness(int brightness);
    int Brightness() const { return Motion.Brightness(); }

    // One movement step every `ms` milliseconds (the frames may be coarser:
    // a frame moves the stars by as many steps as have fallen due).
    void SetMoveInterval(int ms);
    int MoveInterval() const { return Pacer.MoveInterval(); }

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
    static constexpr int FrameIntervalMs = TStarPacer::FrameIntervalMs;
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
    // The motion's field is the widget's rectangle.
    void FollowSize() { Motion.SetField(width(), height()); }
    // Takes the motion's stars into StarList; a star's colour and pen are
    // made again only when it started afresh (or for all of them).
    void TakeStars(bool all);
    QRect StreakRect(const TStar& star) const;
    QRegion HiddenByOverlays() const;

    TStarMotion Motion;
    TStarPacer Pacer;
    QVector<TStar> StarList;
    // The motion's serial of each star when its colour was taken.
    std::array<std::uint32_t, MaxStars> TakenSerials{};
    // Kept between frames, so that a frame allocates nothing.
    std::vector<bool> DamageTiles;
    QVector<QRect> DamageRuns;
    QTimer FrameTimer;
    bool IsActive = true;
    QPoint CentreP{TStarMotion::DefaultCentreX, TStarMotion::DefaultCentreY};
};
