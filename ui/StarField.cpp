#include "StarField.h"

#include <QDateTime>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Slow flight: each movement step carries a star 0.9 % farther out (so the
// farther out, the faster), plus a small push that gets it away from the
// centre: about three seconds from the centre to the edge of the field.
constexpr double Growth = 0.009;
constexpr double Push = 0.25;
// The streak's tail follows the head at this share of the gap per step.
constexpr double TailFollow = 0.22;
// Restarting stars appear within this distance of the centre.
constexpr int RestartRadius = 40;
// After a stall the field moves on by at most this many steps at once.
constexpr qint64 MaxStepsPerFrame = 12;

double Length(QPointF p) { return std::hypot(p.x(), p.y()); }

}  // namespace

TNcaStar::TNcaStar(QWidget* parent) : QWidget(parent), Rng(QRandomGenerator::system()->generate()) {
    // Every frame paints its whole dirty area itself (black sky, then stars).
    setAttribute(Qt::WA_OpaquePaintEvent);
    FrameTimer.setInterval(FrameIntervalMs);
    FrameTimer.setTimerType(Qt::CoarseTimer);
    connect(&FrameTimer, &QTimer::timeout, this, &TNcaStar::Frame);
    StarList.reserve(MaxStars);
    for (int i = 0; i < MaxStars; ++i) StarList.append(NewStar(true));
}

void TNcaStar::SetActive(bool active) {
    IsActive = active;
    UpdateTimer();
}

void TNcaStar::SetCentre(QPoint centre) {
    CentreP = centre;
    update();
}

void TNcaStar::SetBrightness(int brightness) {
    BrightnessV = std::clamp(brightness, 0, 255);
    for (TStar& s : StarList) s = NewStar(true);
    update();
}

void TNcaStar::SetMoveInterval(int ms) { MoveIntervalMs = std::max(1, ms); }

void TNcaStar::Seed(quint32 seed) {
    Rng.seed(seed);
    for (TStar& s : StarList) s = NewStar(true);
    update();
}

TNcaStar::TStar TNcaStar::NewStar(bool anywhere) {
    TStar star;
    // A random offset at least MinStartDistance from the centre: anywhere on
    // the field for the first sky, near the centre for a star that restarts.
    const int minDx = anywhere ? -CentreP.x() : -RestartRadius;
    const int maxDx = anywhere ? std::max(width(), 1) - CentreP.x() : RestartRadius;
    const int minDy = anywhere ? -CentreP.y() : -RestartRadius;
    const int maxDy = anywhere ? std::max(height(), 1) - CentreP.y() : RestartRadius;
    for (;;) {
        const int dx = minDx + static_cast<int>(Rng.bounded(static_cast<quint32>(std::max(1, maxDx - minDx))));
        const int dy = minDy + static_cast<int>(Rng.bounded(static_cast<quint32>(std::max(1, maxDy - minDy))));
        if (dx * dx + dy * dy >= MinStartDistance * MinStartDistance) {
            star.Offset = QPointF(dx, dy);
            break;
        }
    }
    star.TailOffset = star.Offset;
    if (anywhere) {
        // Already under way: give it the streak it would have by now.
        const double d = Length(star.Offset);
        const double tail = std::max<double>(MinStartDistance, d - d * Growth * 3.5);
        star.TailOffset = star.Offset * (tail / d);
    }
    const int spare = 256 - BrightnessV;
    star.Color = QColor(BrightnessV + static_cast<int>(Rng.bounded(spare)), BrightnessV + static_cast<int>(Rng.bounded(spare)),
                        BrightnessV + static_cast<int>(Rng.bounded(spare)));
    star.Pen = QPen(star.Color, 1.0, Qt::SolidLine, Qt::RoundCap);
    return star;
}

void TNcaStar::Step() {
    const QRectF field(QPointF(-CentreP.x(), -CentreP.y()), QSizeF(width(), height()));
    for (TStar& s : StarList) {
        const double d = Length(s.Offset);
        s.Offset += s.Offset * (Growth + Push / d);
        s.TailOffset += (s.Offset - s.TailOffset) * TailFollow;
        if (!field.contains(s.TailOffset)) s = NewStar(false);
    }
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

void TNcaStar::Frame() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (LastFrameMs < 0) LastFrameMs = now;
    const qint64 due = now - LastFrameMs + StepRemainderMs;
    LastFrameMs = now;
    const qint64 steps = std::min(due / MoveIntervalMs, MaxStepsPerFrame);
    StepRemainderMs = steps == MaxStepsPerFrame ? 0 : due % MoveIntervalMs;
    Advance(static_cast<int>(steps));
}

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
    for (int i = 0; i < steps; ++i) Step();
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
    for (TStar& s : StarList) s = NewStar(true);
}

void TNcaStar::UpdateTimer() {
    const bool run = IsActive && isVisible();
    if (run && !FrameTimer.isActive()) {
        LastFrameMs = -1;
        StepRemainderMs = 0;
        FrameTimer.start();
    } else if (!run && FrameTimer.isActive()) {
        FrameTimer.stop();
    }
}
