#include "Board.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <cstring>

void PaintBoardImage(const TGrid& grid, QImage& image) {
    if (image.size() != QSize(GridSize, GridSize) || image.format() != QImage::Format_RGB32)
        image = QImage(GridSize, GridSize, QImage::Format_RGB32);
    for (int y = 0; y < GridSize; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const bool playRow = y >= 1 && y <= BoardHeight;
        for (int x = 0; x < GridSize; ++x)
            line[x] = playRow && x >= 1 && x <= BoardWidth ? CellPixel(grid(x, y), false) : BoardBackColour;
    }
}

void PaintMagnifiedBoard(const TGrid& grid, bool tint, QImage& view, int firstRow, int lastRow) {
    if (view.size() != QSize(MagnifierWidth, MagnifierHeight) ||
        view.format() != QImage::Format_RGB32)
        view = QImage(MagnifierWidth, MagnifierHeight, QImage::Format_RGB32);
    TMagnifiedCells cells;
    MagnifiedCellColours(grid, tint, cells, firstRow, lastRow);
    const size_t lineBytes = MagnifierWidth * sizeof(QRgb);
    for (int cy = std::max(0, firstRow); cy <= std::min(lastRow, MagnifiedRows - 1); ++cy) {
        const int y0 = cy * MagnifierScale;
        auto* line = reinterpret_cast<QRgb*>(view.scanLine(y0));
        const QRgb* row = cells.data() + cy * MagnifiedCols;
        for (int cx = 0; cx < MagnifiedCols; ++cx) {
            QRgb* px = line + cx * MagnifierScale;
            px[0] = px[1] = px[2] = px[3] = row[cx];
        }
        // The other pixel rows of the cell row are copies of the first.
        const int y1 = std::min(y0 + MagnifierScale, MagnifierHeight);
        for (int y = y0 + 1; y < y1; ++y) std::memcpy(view.scanLine(y), line, lineBytes);
    }
}

// ---- TBoardImage ------------------------------------------------------------

TBoardImage::TBoardImage(const TGame& game, QWidget* parent) : TDIBImage(parent), Game_(game) {
    SetImage(TImageList::DIBImageList1, 0);
}

void TBoardImage::PaintEnd(QPainter& painter) {
    PaintBoardImage(Game_.Grid, Board_);
    // Pixel (p, q) of the image is cell (p, q); row and column 0 are "Back".
    painter.drawImage(QPoint(0, 0), Board_, QRect(0, 0, width(), height()));
}

// ---- TDIBMagnifier ----------------------------------------------------------

TDIBMagnifier::TDIBMagnifier(TGame& game, QWidget* parent) : QWidget(parent), Game_(game) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
    setMouseTracking(true);
    resize(MagnifierWidth, MagnifierHeight);
}

void TDIBMagnifier::SetTint(bool on) {
    if (on == Tint_) return;
    Tint_ = on;
    ShownValid_ = false;
    update();
}

void TDIBMagnifier::Refresh() {
    TMagnifiedCells now;
    MagnifiedCellColours(Game_.Grid, Tint_, now);
    if (!ShownValid_) {
        Shown_ = now;
        ShownValid_ = true;
        update();
        return;
    }
    // Between generation closes nothing changes, and a generation changes
    // cells here and there: repaint, band by band of cell rows, the span of
    // columns from the first changed cell to the last.
    constexpr int BandRows = 8;
    QRegion damage;
    for (int top = 0; top < MagnifiedRows; top += BandRows) {
        const int bottom = std::min(top + BandRows, MagnifiedRows);
        int first = MagnifiedCols, last = -1;
        for (int cy = top; cy < bottom; ++cy) {
            const QRgb* was = Shown_.data() + cy * MagnifiedCols;
            const QRgb* is = now.data() + cy * MagnifiedCols;
            for (int cx = 0; cx < first; ++cx)
                if (was[cx] != is[cx]) {
                    first = cx;
                    break;
                }
            for (int cx = MagnifiedCols - 1; cx > last; --cx)
                if (was[cx] != is[cx]) {
                    last = cx;
                    break;
                }
        }
        if (last >= first)
            damage += QRect(first * MagnifierScale, top * MagnifierScale,
                            (last - first + 1) * MagnifierScale, (bottom - top) * MagnifierScale);
    }
    Shown_ = now;
    damage &= rect();
    if (!damage.isEmpty()) update(damage);
}

void TDIBMagnifier::paintEvent(QPaintEvent* event) {
    // The board as it is now, made afresh for the cell rows to be repainted
    // only: a step tick repaints a few bands, not the whole view.
    const QRect area = event->region().boundingRect() & rect();
    if (area.isEmpty()) return;
    PaintMagnifiedBoard(Game_.Grid, Tint_, View_, area.top() / MagnifierScale, area.bottom() / MagnifierScale);
    QPainter p(this);
    // No smoothing: at a device-pixel ratio above 1 every view pixel stays a
    // sharp block.
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Only what is to be repainted goes through the painter: one view pixel
    // is one widget pixel.
    for (const QRect& r : event->region()) p.drawImage(r, View_, r);
}

void TDIBMagnifier::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pt = event->position().toPoint();
    if (!rect().contains(pt)) return;
    QPointer<TDIBMagnifier> self(this);
    Game_.DIBMagnifier1MouseMove(pt.x(), pt.y());
    if (self) emit GameChanged();
}

bool TDIBMagnifier::DragOver(QDropEvent* event) {
    TSpriteDrag drag;
    const bool isSprite = ReadSpriteMimeData(event->mimeData(), drag);
    const QPoint pt = event->position().toPoint();
    const bool accept = Game_.DIBMagnifier1DragOver(isSprite, true, pt.x(), pt.y());
    emit GameChanged();
    return accept;
}

void TDIBMagnifier::dragEnterEvent(QDragEnterEvent* event) {
    TSpriteDrag drag;
    const bool isSprite = ReadSpriteMimeData(event->mimeData(), drag);
    const bool accept = DragOver(event);
    // A sprite image is let in even where its drop is refused, so that the
    // moves that follow keep asking the game.
    if (isSprite) {
        event->setDropAction(accept ? Qt::MoveAction : Qt::IgnoreAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TDIBMagnifier::dragMoveEvent(QDragMoveEvent* event) {
    if (DragOver(event)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TDIBMagnifier::dropEvent(QDropEvent* event) {
    TSpriteDrag drag;
    if (!ReadSpriteMimeData(event->mimeData(), drag)) {
        event->ignore();
        return;
    }
    const QPoint pt = event->position().toPoint();
    event->setDropAction(Qt::MoveAction);
    event->accept();
    TDIBImage::ReportDrop(this, pt);
    if (!drag.EndDragHandled || drag.Tag < 1 || drag.Tag > 6) return;
    QPointer<TDIBMagnifier> self(this);
    Game_.Bac1_1EndDrag(drag.Tag, true, pt.x(), pt.y());
    if (self) emit GameChanged();
}
