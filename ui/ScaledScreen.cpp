#include "ScaledScreen.h"

#include <QGraphicsScene>
#include <QGraphicsSceneDragDropEvent>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "WindowFit.h"

TScaledScreen::TScaledScreen(QSize design, QColor letterbox, QWidget* parent)
    : QGraphicsView(parent), Design_(design), Letterbox_(letterbox) {
    setObjectName(QStringLiteral("ScaledScreen"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignCenter);
    // The view paints every pixel itself (the letterbox too): the viewport
    // need not be filled first.
    setBackgroundBrush(Qt::NoBrush);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, true);
    // What Qt itself still paints scaled (a list's open popup) is scaled
    // nearest-neighbour.
    setRenderHint(QPainter::SmoothPixmapTransform, false);
    setCacheMode(QGraphicsView::CacheNone);
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    // Nothing on the screens is drawn antialiased beyond its own rectangle:
    // a repaint need not take in two more pixels around every change.
    setOptimizationFlag(QGraphicsView::DontAdjustForAntialiasing, true);
    setAcceptDrops(true);
    setMouseTracking(true);

    auto* scene = new QGraphicsScene(this);
    scene->setSceneRect(0, 0, design.width(), design.height());
    // The scene holds one item: no index is needed to find it.
    scene->setItemIndexMethod(QGraphicsScene::NoIndex);
    setScene(scene);
    Proxy_ = new TScaledProxy(*this);
    Proxy_->setAcceptDrops(true);
    Proxy_->setAcceptHoverEvents(true);
    scene->addItem(Proxy_);
    Fit();
}

void TScaledScreen::Embed(QWidget* screen) {
    Proxy_->setWidget(screen);
    Proxy_->setPos(0, 0);
    screen->setGeometry(0, 0, Design_.width(), Design_.height());
    screen->show();
    Proxy_->setAcceptDrops(true);
}

QWidget* TScaledScreen::Release() {
    QWidget* screen = Proxy_->widget();
    Proxy_->setWidget(nullptr);
    return screen;
}

QWidget* TScaledScreen::Embedded() const { return Proxy_->widget(); }

QRectF TScaledScreen::ScreenRect() const { return FilledRect(viewport()->size(), Design_); }

void TScaledScreen::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    Fit();
}

void TScaledScreen::Fit() {
    Factor_ = FillFactor(viewport()->size(), Design_);
    setTransform(QTransform::fromScale(Factor_, Factor_));
    centerOn(Design_.width() / 2.0, Design_.height() / 2.0);
}

// ---- the mapping: view pixel to design pixel --------------------------------

int TScaledScreen::DesignCoordinate(int view, double origin) const {
    // The design pixel under the view pixel's centre. The view places the
    // design area's corner at `origin` (Qt's centring, whole pixels or not).
    return static_cast<int>(std::floor((view + 0.5 - origin) / Factor_));
}

QPoint TScaledScreen::DesignPixelAt(QPoint viewPixel) const {
    const QTransform t = viewportTransform();
    return QPoint(DesignCoordinate(viewPixel.x(), t.dx()), DesignCoordinate(viewPixel.y(), t.dy()));
}

void TScaledScreen::UpdateTables() {
    const QTransform t = viewportTransform();
    const QPointF origin(t.dx(), t.dy());
    const QSize size = viewport()->size();
    if (origin == TablesOrigin_ && Factor_ == TablesFactor_ && Columns_.size() == size_t(size.width()) &&
        Rows_.size() == size_t(size.height()))
        return;
    Columns_.resize(size_t(std::max(0, size.width())));
    Rows_.resize(size_t(std::max(0, size.height())));
    for (size_t x = 0; x < Columns_.size(); ++x) Columns_[x] = DesignCoordinate(int(x), origin.x());
    for (size_t y = 0; y < Rows_.size(); ++y) Rows_[y] = DesignCoordinate(int(y), origin.y());
    TablesOrigin_ = origin;
    TablesFactor_ = Factor_;
}

QRect TScaledScreen::DesignRectShownIn(const QRect& r) const {
    // Both tables rise with the view pixel: the ends of `r` give the range.
    const int left = std::max(0, Columns_[size_t(r.left())]);
    const int right = std::min(Design_.width() - 1, Columns_[size_t(r.right())]);
    const int top = std::max(0, Rows_[size_t(r.top())]);
    const int bottom = std::min(Design_.height() - 1, Rows_[size_t(r.bottom())]);
    if (left > right || top > bottom) return QRect();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

void TScaledProxy::paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) {
    // The view draws the screens through its own mapping (see below).
}

void TScaledScreen::paintEvent(QPaintEvent* event) {
    UpdateTables();
    const QRegion exposed = event->region() & viewport()->rect();
    QWidget* screens = Embedded();
    // The design pixels the exposed view pixels show, painted afresh at the
    // design size, exactly as the screens paint in a window of that size.
    QRegion design;
    for (const QRect& r : exposed) design += DesignRectShownIn(r);
    if (Picture_.size() != Design_) {
        Picture_ = QImage(Design_, QImage::Format_RGB32);
        Picture_.fill(Letterbox_);
    }
    if (screens && !design.isEmpty()) {
        QPainter p(&Picture_);
        screens->render(&p, design.boundingRect().topLeft(), design,
                        QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    // Each exposed view pixel takes its design pixel's colour; a view row
    // showing the same design row as the one above is a copy of it.
    if (Enlarged_.size() != viewport()->size()) Enlarged_ = QImage(viewport()->size(), QImage::Format_RGB32);
    const QRgb letterbox = Letterbox_.rgb();
    const int w = Design_.width(), h = Design_.height();
    for (const QRect& r : exposed) {
        const int* columns = Columns_.data();
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* out = reinterpret_cast<QRgb*>(Enlarged_.scanLine(y));
            const int row = Rows_[size_t(y)];
            if (y > r.top() && row == Rows_[size_t(y) - 1]) {
                std::memcpy(out + r.left(), Enlarged_.constScanLine(y - 1) + sizeof(QRgb) * size_t(r.left()),
                            sizeof(QRgb) * size_t(r.width()));
                continue;
            }
            if (row < 0 || row >= h) {
                std::fill(out + r.left(), out + r.right() + 1, letterbox);
                continue;
            }
            const auto* in = reinterpret_cast<const QRgb*>(Picture_.constScanLine(row));
            for (int x = r.left(); x <= r.right(); ++x) {
                const int column = columns[x];
                out[x] = column >= 0 && column < w ? in[column] : letterbox;
            }
        }
    }
    {
        QPainter p(viewport());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& r : exposed) p.drawImage(r.topLeft(), Enlarged_, r);
    }
    // The scene is drawn too, always: anything else in it (a list's open
    // popup) goes on top, and the screens' proxy is painted (as nothing) by
    // this view. The scene passes a screen's own repaint on to a view only
    // for an item that view has painted before: without this, the window
    // would keep its first picture while the screens change beneath it.
    QGraphicsView::paintEvent(event);
}

// ---- TScaledProxy -----------------------------------------------------------

QPointF TScaledProxy::DesignPixel(QPointF scenePos) const {
    // The view maps its pixel's top-left corner into the scene: back to that
    // view pixel, then through the mapping the picture is made with.
    const QPoint viewPixel = View_.viewportTransform().map(scenePos).toPoint();
    return QPointF(View_.DesignPixelAt(viewPixel));
}

void TScaledProxy::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    ToDesignPixel(event);
    QGraphicsProxyWidget::mousePressEvent(event);
}

void TScaledProxy::mouseMoveEvent(QGraphicsSceneMouseEvent* event) {
    ToDesignPixel(event);
    QGraphicsProxyWidget::mouseMoveEvent(event);
}

void TScaledProxy::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
    ToDesignPixel(event);
    QGraphicsProxyWidget::mouseReleaseEvent(event);
}

void TScaledProxy::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) {
    ToDesignPixel(event);
    QGraphicsProxyWidget::mouseDoubleClickEvent(event);
}

void TScaledProxy::hoverEnterEvent(QGraphicsSceneHoverEvent* event) {
    ToDesignPixel(event);
    QGraphicsProxyWidget::hoverEnterEvent(event);
}

void TScaledProxy::hoverMoveEvent(QGraphicsSceneHoverEvent* event) {
    ToDesignPixel(event);
    QGraphicsProxyWidget::hoverMoveEvent(event);
}

void TScaledProxy::dragEnterEvent(QGraphicsSceneDragDropEvent* event) {
    ToDesignPixel(event);
    QGraphicsProxyWidget::dragEnterEvent(event);
}

void TScaledProxy::dragMoveEvent(QGraphicsSceneDragDropEvent* event) {
    ToDesignPixel(event);
    QGraphicsProxyWidget::dragMoveEvent(event);
}

void TScaledProxy::dropEvent(QGraphicsSceneDragDropEvent* event) {
    ToDesignPixel(event);
    QGraphicsProxyWidget::dropEvent(event);
}
