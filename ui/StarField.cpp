#include "StarField.h"

#include <QDateTime>
#include <QPaintEvent>
#include <QPainter>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <span>

TNcaStar::TNcaStar(QWidget* parent) : QWidget(parent), Motion(QRandomGenerator::system()->generate64()) {
    // Every frame paints its whole dirty area itself (black sky, then stars).
    setAttribute(Qt::WA_OpaquePaintEvent);
    FrameTimer.setInterval(FrameIntervalMs);
    FrameTimer.setTimerType(Qt::CoarseTimer);
    connect(&FrameTimer, &QTimer::timeout, this, &TNcaStar::Frame);
    StarList.resize(MaxStars);
    FollowSize();
    Motion.SetCentre(CentreP.x(), CentreP.y());
    Motion.Scatter();
    TakeStars(true);
}

void TNcaStar::SetActive(bool active) {
    IsActive = active;
    UpdateTimer();
}

void TNcaStar::SetCentre(QPoint centre) {
    CentreP = centre;
    Motion.SetCentre(centre.x(), centre.y());
    update();
}

void TNcaStar::SetBrightness(int brightness) {
    FollowSize();
    Motion.SetBrightness(brightness);
    TakeStars(false);
    update();
}

void TNcaStar::SetMoveInterval(int ms) { Pacer.SetMoveInterval(ms); }

void TNcaStar::Seed(quint32 seed) {
    FollowSize();
    Motion.Seed(seed);
    TakeStars(false);
    update();
}

void TNcaStar::TakeStars(bool all) {
    const std::span<const TStarMotion::TStar> stars = Motion.Stars();
    for (qsizetype i = 0; i < StarList.size(); ++i) {
        const TStarMotion::TStar& m = stars[static_cast<size_t>(i)];
        TStar& s = StarList[i];
        s.Offset = QPointF(m.X, m.Y);
        s.TailOffset = QPointF(m.TailX, m.TailY);
        std::uint32_t& taken = TakenSerials[static_cast<size_t>(i)];
        if (all || taken != m.Serial) {
            taken = m.Serial;
            s.Color = QColor(m.R, m.G, m.B);
            s.Pen = QPen(s.Color, TStarMotion::StreakWidth, Qt::SolidLine, Qt::RoundCap);
        }
    }
}

void TNcaStar::Step() {
    FollowSize();
    Motion.Step();
    TakeStars(false);
}

QRect TNcaStar::StreakRect(const TStar& star) const {
    // The whole pixels the streak's ends span, two more on every side for the
    // smoothing and the round caps.
    const double x0 = std::min(star.Offset.x(), star.TailOffset.x()) + CentreP.x();
    const double x1 = std::max(star.Offset.x(), star.TailOffset.x()) + CentreP.x();
    const double y0 = std::min(star.Offset.y(), star.TailOffset.y()) + CentreP.y();
    const double y1 = std::max(star.Offset.y(), star.TailOffset.y()) + CentreP.y();
    const int left = static_cast<int>(std::floor(x0)), top = static_cast<int>(std::floor(y0));
    const int right = std::max(static_cast<int>(std::ceil(x1)), left + 1);
    const int bottom = std::max(static_cast<int>(std::ceil(y1)), top + 1);
    return QRect(QPoint(left - 2, top - 2), QPoint(right + 1, bottom + 1));
}

void TNcaStar::Frame() { Advance(Pacer.StepsAt(QDateTime::currentMSecsSinceEpoch())); }

QRegion TNcaStar::Advance(int steps) {
    if (steps <= 0) return {};
    // Repaint the tiles that a streak touched where it was or where it is
    // now. One box round all streaks spans nearly the whole field, so every
    // widget above it would be painted again each frame; a region of a
    // hundred streak boxes splits the repaint and the flush to the screen
    // into hundreds of pieces, each with a cost of its own. Tiles of 32
    // pixels, merged into runs along each row, cost the least (measured with
    // the title frame benchmark under X: about 32 pieces and 61,500 pixels
    // a frame, against 6 pieces and 192,000 pixels for the one box).
    const int cols = (width() + DamageTile - 1) / DamageTile;
    const int rows = (height() + DamageTile - 1) / DamageTile;
    DamageTiles.assign(static_cast<size_t>(std::max(0, cols * rows)), false);
    const auto mark = [&](QRect r) {
        r &= rect();
        if (r.isEmpty()) return;
        for (int ty = r.top() / DamageTile; ty <= r.bottom() / DamageTile; ++ty)
            for (int tx = r.left() / DamageTile; tx <= r.right() / DamageTile; ++tx)
                DamageTiles[static_cast<size_t>(ty * cols + tx)] = true;
    };
    for (const TStar& s : StarList) mark(StreakRect(s));
    FollowSize();
    for (int i = 0; i < steps; ++i) Motion.Step();
    TakeStars(false);
    for (const TStar& s : StarList) mark(StreakRect(s));
    // The runs come row by row, left to right, apart from each other and of
    // one height in a row: the banded order a region is made of.
    DamageRuns.clear();
    for (int ty = 0; ty < rows; ++ty)
        for (int tx = 0; tx < cols;) {
            if (!DamageTiles[static_cast<size_t>(ty * cols + tx)]) {
                ++tx;
                continue;
            }
            int end = tx + 1;
            while (end < cols && DamageTiles[static_cast<size_t>(ty * cols + end)]) ++end;
            DamageRuns.append(QRect(tx * DamageTile, ty * DamageTile, (end - tx) * DamageTile, DamageTile) & rect());
            tx = end;
        }
    QRegion area;
    area.setRects(DamageRuns.constData(), static_cast<int>(DamageRuns.size()));
    // What an opaque widget above the field covers is never seen: neither it
    // nor the widget over it needs painting again.
    QRegion damage = area - HiddenByOverlays();
    if (!damage.isEmpty()) update(damage);
    return damage;
}

QRegion TNcaStar::HiddenByOverlays() const {
    QRegion hidden;
    const QWidget* parent = parentWidget();
    if (!parent) return hidden;
    const QObjectList& siblings = parent->children();
    // Children are kept in stacking order: those after the field lie above it.
    const qsizetype self = siblings.indexOf(const_cast<TNcaStar*>(this));
    for (qsizetype i = self + 1; self >= 0 && i < siblings.size(); ++i) {
        if (!siblings[i]->isWidgetType()) continue;
        const auto* w = static_cast<const QWidget*>(siblings[i]);
        if (w->isHidden() || !w->testAttribute(Qt::WA_OpaquePaintEvent) || w->isWindow() ||
            !w->mask().isEmpty())
            continue;
        hidden += w->geometry().translated(-pos());
    }
    return hidden;
}

void TNcaStar::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRegion& region = event->region();
    for (const QRect& r : region) p.fillRect(r, Qt::black);
    p.setRenderHint(QPainter::Antialiasing);
    for (const TStar& s : StarList) {
        if (!region.intersects(StreakRect(s))) continue;
        p.setPen(s.Pen);
        p.drawLine(s.TailOffset + CentreP, s.Offset + CentreP);
    }
}

void TNcaStar::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateTimer();
}

void TNcaStar::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    UpdateTimer();
}

void TNcaStar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A new sky for the new size, spread over all of it.
    FollowSize();
    Motion.Scatter();
    TakeStars(false);
}

void TNcaStar::UpdateTimer() {
    const bool run = IsActive && isVisible();
    if (run && !FrameTimer.isActive()) {
        Pacer.Restart();
        FrameTimer.start();
    } else if (!run && FrameTimer.isActive()) {
        FrameTimer.stop();
    }
}
