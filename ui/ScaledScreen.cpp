#include "ScaledScreen.h"

#include <QGraphicsScene>
#include <QGraphicsSceneDragDropEvent>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <cmath>

#include "WindowFit.h"

TScaledScreen::TScaledScreen(QSize design, QColor letterbox, QWidget* parent)
    : QGraphicsView(parent), Design_(design) {
    setObjectName(QStringLiteral("ScaledScreen"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignCenter);
    setBackgroundBrush(letterbox);
    // Pictures are scaled nearest-neighbour: the board's cells stay blocks.
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
    scene->setBackgroundBrush(letterbox);
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

// ---- TScaledProxy -----------------------------------------------------------

QPointF TScaledProxy::DesignPixel(QPointF scenePos) const {
    // The view maps the top-left corner of its pixel; the picture there is the
    // design pixel under that pixel's centre, half a view pixel further on.
    const double half = 0.5 / View_.Factor();
    return QPointF(std::floor(scenePos.x() + half), std::floor(scenePos.y() + half));
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
