// The screens shown in a window of another size than their design size: one
// uniform factor, the largest that fits, centred, and the rest of the window
// near-black. Only used while the window is not at the design size; at the
// design size the screens sit straight in the window and paint as they always
// did.
//
// Every control works as at the design size: the screens are real widgets in a
// scene, so clicks, hover, hints, the lists' popups and drag and drop reach
// them. Pointer positions arrive in the screens' own (logical) pixels: the one
// whose picture the pointer's screen pixel shows, so a drop on the board lands
// on the cell drawn under the pointer. Pictures scale nearest-neighbour: the
// board's cells stay solid blocks at any factor.
#pragma once

#include <QColor>
#include <QGraphicsProxyWidget>
#include <QGraphicsView>
#include <QPointer>
#include <QSize>

class TScaledProxy;

class TScaledScreen : public QGraphicsView {
    Q_OBJECT
public:
    TScaledScreen(QSize design, QColor letterbox, QWidget* parent = nullptr);

    // Takes `screen` in: it must have no parent. Shown at once.
    void Embed(QWidget* screen);
    // Gives the screen back, without a parent (hidden).
    QWidget* Release();
    QWidget* Embedded() const;

    // The factor the screens are shown at.
    double Factor() const { return Factor_; }
    // Where the design area lies in the view's pixels.
    QRectF ScreenRect() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Fit();

    QSize Design_;
    double Factor_ = 1.0;
    TScaledProxy* Proxy_;
};

// The proxy that carries the screens into the scene. A pointer position in
// the view's pixels maps to a fraction of a design pixel; it is taken to the
// design pixel under that screen pixel's centre, which is the pixel the
// nearest-neighbour scaling shows there.
class TScaledProxy : public QGraphicsProxyWidget {
    Q_OBJECT
public:
    explicit TScaledProxy(const TScaledScreen& view) : View_(view) {}

    // A pointer position in scene coordinates as the view delivers it (from a
    // whole view pixel), taken to the design pixel that view pixel shows.
    QPointF DesignPixel(QPointF scenePos) const;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent* event) override;
    void dragEnterEvent(QGraphicsSceneDragDropEvent* event) override;
    void dragMoveEvent(QGraphicsSceneDragDropEvent* event) override;
    void dropEvent(QGraphicsSceneDragDropEvent* event) override;

private:
    template <typename TEvent>
    void ToDesignPixel(TEvent* event) {
        event->setPos(mapFromScene(DesignPixel(event->scenePos())));
    }
    const TScaledScreen& View_;
};
