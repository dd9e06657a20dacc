#include "AnalogClock.h"

#include <QPainter>

#include <cstdint>

#include "ClockHands.h"

namespace {

QColor Rgb(std::uint32_t rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb)); }

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
    p.fillRect(rect(), Rgb(TClockFace::BackgroundColour));
    const TClockFace face(width(), height());
    if (!face.HasDial()) return;
    p.setRenderHint(QPainter::Antialiasing, TClockFace::Antialiased);
    const auto draw = [&p](const TClockSegment& s, Qt::PenCapStyle cap) {
        p.setPen(QPen(Rgb(s.Colour), s.Width, Qt::SolidLine, cap));
        p.drawLine(QPointF(s.X0, s.Y0), QPointF(s.X1, s.Y1));
    };
    for (const TClockSegment& mark : face.Marks()) draw(mark, Qt::SquareCap);
    if (!Shown.isValid()) return;
    for (const TClockSegment& hand : face.Hands(Shown.hour(), Shown.minute(), Shown.second()))
        draw(hand, Qt::RoundCap);
    p.setPen(Qt::NoPen);
    p.setBrush(Rgb(TClockFace::HubColour));
    p.drawEllipse(QPointF(face.CentreX(), face.CentreY()), TClockFace::HubRadius, TClockFace::HubRadius);
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
