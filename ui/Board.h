// The culture grid on screen: the board image `DIBImage1` (one pixel per
// cell) and the magnified view `DIBMagnifier1` that the player sees, four view
// pixels per cell, which also answers the pointer and takes the tube drops.
#pragma once

#include <QImage>
#include <QRgb>
#include <QWidget>
#include <array>
#include <type_traits>

#include "BoardColours.h"
#include "DIBImage.h"
#include "TGame.h"

// The window draws the shared ARGB values straight into its images.
static_assert(std::is_same_v<QRgb, TArgb>);

// Paints the board one pixel per cell into `image` (made GridSize x GridSize,
// RGB32): pixel (x, y) shows cell (x, y) for x, y = 1..100, the border ring
// shows "Back". Writes the scanlines directly.
void PaintBoardImage(const TGrid& grid, QImage& image);

// Paints the magnified view (MagnifierWidth x MagnifierHeight, RGB32) straight
// from the grid: cell (x, y) covers view pixels 4x..4x+3 by 4y..4y+3 for
// x, y = 1..100; row and column 0 and whatever lies past the playfield show
// "Back"; with `tint` the columns from TintLeft on are tinted blue.
// Only the view's cell rows firstRow..lastRow are painted; the others keep
// what they held.
void PaintMagnifiedBoard(const TGrid& grid, bool tint, QImage& view, int firstRow = 0,
                         int lastRow = MagnifiedRows - 1);

// `DIBImage1`: "Back" with the cells painted over it after it has drawn itself.
class TBoardImage : public TDIBImage {
    Q_OBJECT
public:
    TBoardImage(const TGame& game, QWidget* parent = nullptr);

protected:
    void PaintEnd(QPainter& painter) override;

private:
    const TGame& Game_;
    QImage Board_;
};

// `DIBMagnifier1`: the grid four times enlarged, nearest-neighbour and crisp at
// any device-pixel ratio; the pointer read-out and the drop target of the tubes.
class TDIBMagnifier : public QWidget {
    Q_OBJECT
public:
    TDIBMagnifier(TGame& game, QWidget* parent = nullptr);

    // The translucent blue band of `DIBImage8`, shown while it is visible.
    void SetTint(bool on);
    bool Tint() const { return Tint_; }
    // The grid may have changed: repaint the blocks of the cells whose colour
    // differs from what the view shows.
    void Refresh();
    // The picture the last paint showed, in view pixels.
    const QImage& View() const { return View_; }

signals:
    // A game handler ran: the window copies the screen model again.
    void GameChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool DragOver(class QDropEvent* event);

    TGame& Game_;
    bool Tint_ = true;
    QImage View_;
    // The colours the view was last asked to show, all of it.
    TMagnifiedCells Shown_{};
    bool ShownValid_ = false;
};
