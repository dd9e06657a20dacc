// The screens shown in a window of another size than their design size: one
// uniform factor, the largest that fits, centred, and the rest of the window
// near-black. Only used while the window is not at the design size; at the
// design size the screens sit straight in the window and paint as they always
// did.
//
// Every control works as at the design size: the screens are real widgets in a
// scene, so clicks, hover, hints, the lists' popups and drag and drop reach
// them. One mapping takes each of the view's pixels to a design pixel, the one
// under the view pixel's centre: the enlarged picture is made through it from
// the screens painted at their design size, and pointer positions go through
// it too, so a drop on the board lands on the cell drawn under the pointer,
// whichever way a Qt version would sample a scaled painting. The board's cells
// stay solid blocks at any factor.
#pragma once

#include <QColor>
#include <QGraphicsProxyWidget>
#include <QGraphicsView>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <vector>

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

    // The design pixel the view's (viewport's) pixel `viewPixel` shows, the
    // one under that pixel's centre; a pointer there reaches it. Outside the
    // design size where the pixel shows the letterbox.
    QPoint DesignPixelAt(QPoint viewPixel) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Fit();
    // The design column (or row) of the view's column (row) `view`, for a
    // design area whose corner lies at `origin` view pixels.
    int DesignCoordinate(int view, double origin) const;
    // Column and row tables of the current mapping, for the whole viewport.
    void UpdateTables();
    // The design pixels the view pixels of `r` show (empty on the letterbox).
    QRect DesignRectShownIn(const QRect& r) const;

    QSize Design_;
    QColor Letterbox_;
    double Factor_ = 1.0;
    TScaledProxy* Proxy_;
    // The mapping's tables: the design column of each view column and the
    // design row of each view row, and what they were made for.
    std::vector<int> Columns_, Rows_;
    QPointF TablesOrigin_{-1, -1};
    double TablesFactor_ = 0.0;
    // The screens at their design size, brought up to date where a paint
    // needs them, and the enlarged picture the paint copies from.
    QImage Picture_;
    QImage Enlarged_;
};

// The proxy that carries the screens into the scene. It paints nothing itself
// (the view draws the screens through its mapping); the pointer positions it
// passes on are taken to the design pixel the pointer's view pixel shows.
class TScaledProxy : public QGraphicsProxyWidget {
    Q_OBJECT
public:
    explicit TScaledProxy(const TScaledScreen& view) : View_(view) {}

    // A pointer position in scene coordinates as the view delivers it (from a
    // whole view pixel), taken to the design pixel that view pixel shows.
    QPointF DesignPixel(QPointF scenePos) const;

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

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
