#include "DIBImage.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

const char* const SpriteMimeType = "application/x-agarhold-sprite";

TDIBImage::TDropReport TDIBImage::LastDrop_;

QMimeData* MakeSpriteMimeData(const TSpriteDrag& drag) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(SpriteMimeType),
                  QByteArray::number(drag.Tag) + (drag.EndDragHandled ? " 1" : " 0"));
    return data;
}

bool ReadSpriteMimeData(const QMimeData* data, TSpriteDrag& drag) {
    if (!data || !data->hasFormat(QString::fromLatin1(SpriteMimeType))) return false;
    const QList<QByteArray> parts = data->data(QString::fromLatin1(SpriteMimeType)).split(' ');
    if (parts.size() != 2) return false;
    bool ok = false;
    drag.Tag = parts[0].toInt(&ok);
    if (!ok) return false;
    drag.EndDragHandled = parts[1] == "1";
    return true;
}

// The cross cursor of a dragged sprite image.
static QPixmap CrossCursor() {
    QPixmap pm(21, 21);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.fillRect(9, 0, 3, 21, Qt::black);
    p.fillRect(0, 9, 21, 3, Qt::black);
    p.fillRect(10, 1, 1, 19, Qt::white);
    p.fillRect(1, 10, 19, 1, Qt::white);
    return pm;
}

TDIBImage::TDIBImage(QWidget* parent) : QWidget(parent) {
    LoadPicture();
}

void TDIBImage::LoadPicture() {
    QImage img = ListImage(List_, Index_);
    if (!img.isNull() && ListImageBlackTransparent(List_, Index_)) {
        // Pure black is drawn fully transparent, so what lies beneath shows.
        img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                if ((line[x] & 0x00FFFFFFu) == 0) line[x] = 0;
        }
    }
    Picture_ = img;
    if (AutoSize_ && !Picture_.isNull()) resize(Picture_.size());
    update();
}

void TDIBImage::SetImage(TImageList list, int index) {
    if (list == List_ && index == Index_ && !Picture_.isNull()) return;
    List_ = list;
    Index_ = index;
    LoadPicture();
}

void TDIBImage::SetImageIndex(int index) { SetImage(List_, index); }

void TDIBImage::SetOpacity(int opacity) {
    opacity = std::clamp(opacity, 0, 255);
    if (opacity == Opacity_) return;
    Opacity_ = opacity;
    update();
}

void TDIBImage::SetStretch(bool stretch) {
    Stretch_ = stretch;
    update();
}

void TDIBImage::SetAutoSize(bool autoSize) {
    AutoSize_ = autoSize;
    if (AutoSize_ && !Picture_.isNull()) resize(Picture_.size());
}

void TDIBImage::SetHint(const QString& hint) {
    if (toolTip() != hint) setToolTip(hint);
}

void TDIBImage::SetHighlight(bool on, int highlightOpacity) {
    HighlightOn_ = on;
    HighlightOpacity_ = highlightOpacity;
}

void TDIBImage::SetDragSource(bool on, bool endDragHandled) {
    DragSource_ = on;
    EndDragHandled_ = endDragHandled;
}

void TDIBImage::ReportDrop(QWidget* target, QPoint point) {
    LastDrop_.Target = target;
    LastDrop_.Point = point;
    LastDrop_.Reported = true;
}

void TDIBImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (Opacity_ > 0 && !Picture_.isNull()) {
        p.setOpacity(Opacity_ / 255.0);
        if (Stretch_)
            p.drawImage(rect(), Picture_);
        else
            p.drawImage(0, 0, Picture_);
        p.setOpacity(1.0);
    }
    PaintEnd(p);
}

void TDIBImage::PaintEnd(QPainter&) {}

// ---- Highlight --------------------------------------------------------------

void TDIBImage::HighlightOn() {
    if (!HighlightOn_ || Highlighted_ || hasFocus() || Capture_) return;
    RememberedOpacity_ = Opacity_;
    Highlighted_ = true;
    SetOpacity(HighlightOpacity_);
}

void TDIBImage::HighlightOff() {
    if (!HighlightOn_ || !Highlighted_ || hasFocus() || Capture_) return;
    Highlighted_ = false;
    // Whatever was set meanwhile gives way to the remembered opacity.
    SetOpacity(RememberedOpacity_);
}

void TDIBImage::enterEvent(QEnterEvent* event) {
    HighlightOn();
    QWidget::enterEvent(event);
}

void TDIBImage::leaveEvent(QEvent* event) {
    HighlightOff();
    QWidget::leaveEvent(event);
}

void TDIBImage::focusInEvent(QFocusEvent* event) {
    // Focus acts like the pointer entering; the check for focus must not stop it.
    if (HighlightOn_ && !Highlighted_ && !Capture_) {
        RememberedOpacity_ = Opacity_;
        Highlighted_ = true;
        SetOpacity(HighlightOpacity_);
    }
    QWidget::focusInEvent(event);
}

void TDIBImage::focusOutEvent(QFocusEvent* event) {
    if (HighlightOn_ && Highlighted_ && !Capture_) {
        Highlighted_ = false;
        SetOpacity(RememberedOpacity_);
    }
    QWidget::focusOutEvent(event);
}

// ---- Mouse and drag ---------------------------------------------------------

void TDIBImage::mousePressEvent(QMouseEvent* event) {
    Capture_ = true;
    PressPoint_ = event->position().toPoint();
    event->accept();
}

void TDIBImage::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!DragSource_ || Dragging_ || !isEnabled() || !(event->buttons() & Qt::LeftButton)) return;
    if ((event->position().toPoint() - PressPoint_).manhattanLength() <
        QApplication::startDragDistance())
        return;
    RunDrag();
}

void TDIBImage::RunDrag() {
    QPointer<TDIBImage> self(this);
    Dragging_ = true;
    emit StartDrag();
    if (!self) return;
    LastDrop_ = TDropReport{};
    auto* drag = new QDrag(this);
    drag->setMimeData(MakeSpriteMimeData({Tag_, EndDragHandled_}));
    // The cross shows over a spot that takes the drop; over one that refuses
    // it (or anywhere else) the platform's no-drop cursor says so at once.
    const QPixmap cross = CrossCursor();
    drag->setDragCursor(cross, Qt::MoveAction);
    drag->setDragCursor(cross, Qt::CopyAction);
    drag->setHotSpot(QPoint(10, 10));
    const Qt::DropAction action = drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    if (!self) return;
    Dragging_ = false;
    Capture_ = false;  // the drag took the button release
    QWidget* target = nullptr;
    QPoint point;
    if (action != Qt::IgnoreAction && LastDrop_.Reported) {
        target = LastDrop_.Target;
        point = LastDrop_.Point;
    }
    LastDrop_ = TDropReport{};
    emit EndDrag(target, point);
    if (self && !rect().contains(mapFromGlobal(QCursor::pos()))) HighlightOff();
}

void TDIBImage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const bool leftWasDown = Capture_;
    Capture_ = event->buttons() != Qt::NoButton;
    if (!rect().contains(event->position().toPoint())) {
        // The capture ended outside: the pointer has left meanwhile.
        HighlightOff();
        return;
    }
    QPointer<TDIBImage> self(this);
    emit MouseUp(event->button(), event->position().toPoint());
    if (!self) return;
    if (leftWasDown && event->button() == Qt::LeftButton) emit Clicked();
}
