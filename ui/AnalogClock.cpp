#include "AnalogClock.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor Background(0x07, 0x07, 0x07);
const QColor Gray(0x80, 0x80, 0x80);
const QColor LightGray(0xC0, 0xC0, 0xC0);
const QColor DarkGray(0x50, 0x50, 0x50);

}  // namespace

TRxClock::TRxClock(QWidget* parent) : QWidget(parent), TimeSource([] { return QTime::currentTime(); }) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    RefreshTimer.setInterval(RefreshMs);
    connect(&RefreshTimer, &QTimer::timeout, this, &TRxClock::Refresh);
    Shown = TimeSource();
}

void TRxClock::SetTimeSource(std::function<QTime()> source) {
    TimeSource = std::move(source);
    Refresh();
}

void TRxClock::Refresh() {
    const QTime now = TimeSource();
    // Repaint only when the seconds hand moves.
    if (now.isValid() && Shown.isValid() && now.hour() == Shown.hour() && now.minute() == Shown.minute() &&
        now.second() == Shown.second())
        return;
    Shown = now;
    update();
}

void TRxClock::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Background);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double radius = std::min(width(), height()) / 2.0 - 2.0;
    if (radius <= 4) return;
    p.translate(centre);

    // The dial: twelve marks, the quarters longer.
    for (int i = 0; i < 12; ++i) {
        const bool quarter = i % 3 == 0;
        p.setPen(QPen(quarter ? LightGray : Gray, quarter ? 1.6 : 1.0));
        p.drawLine(QPointF(0, -radius), QPointF(0, -radius * (quarter ? 0.80 : 0.88)));
        p.rotate(30);
    }
    if (!Shown.isValid()) return;

    const double hours = (Shown.hour() % 12) + Shown.minute() / 60.0;
    const double minutes = Shown.minute() + Shown.second() / 60.0;
    auto hand = [&](double degrees, double length, double width, const QColor& colour) {
        p.save();
        p.rotate(degrees);
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, radius * 0.12), QPointF(0, -length));
        p.restore();
    };
    hand(hours * 30.0, radius * 0.52, 2.4, Gray);
    hand(minutes * 6.0, radius * 0.76, 1.7, Gray);
    hand(Shown.second() * 6.0, radius * 0.86, 0.9, LightGray);
    p.setPen(Qt::NoPen);
    p.setBrush(DarkGray);
    p.drawEllipse(QPointF(0, 0), 1.6, 1.6);
}

void TRxClock::SetCovered(bool covered) {
    Covered = covered;
    UpdateTimer();
}

void TRxClock::UpdateTimer() {
    const bool run = isVisible() && !Covered;
    if (run && !RefreshTimer.isActive()) {
        Refresh();
        RefreshTimer.start();
    } else if (!run) {
        RefreshTimer.stop();
    }
}

void TRxClock::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateTimer();
}

void TRxClock::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    UpdateTimer();
}
