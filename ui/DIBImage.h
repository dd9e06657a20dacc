// The sprite image (`TDIBImage`): one picture of an image list, blended over
// what lies beneath at an opacity, with the hover highlight of `THighlightDIB`,
// a hint, a tag, click and mouse-up signals and an automatic drag.
#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include "Assets.h"

class QMimeData;

// What a dragged sprite image carries to a drop target.
struct TSpriteDrag {
    int Tag = 0;
    // The icon's end-drag is handled by the game (the human's icons);
    // the computer's icons can be dragged but nothing handles their drop.
    bool EndDragHandled = false;
};

// The format of the drag data every sprite image drag carries.
extern const char* const SpriteMimeType;
QMimeData* MakeSpriteMimeData(const TSpriteDrag& drag);
// False when the data does not come from a sprite image.
bool ReadSpriteMimeData(const QMimeData* data, TSpriteDrag& drag);

class TDIBImage : public QWidget {
    Q_OBJECT
public:
    explicit TDIBImage(QWidget* parent = nullptr);

    // The picture: entry `index` of `list`, redrawn at once when either changes.
    void SetImage(TImageList list, int index);
    void SetImageIndex(int index);
    TImageList ImageList() const { return List_; }
    int ImageIndex() const { return Index_; }
    // The picture as it is drawn (pure black already see-through where the
    // list entry asks for it).
    const QImage& Picture() const { return Picture_; }

    // 0 invisible .. 255 opaque.
    void SetOpacity(int opacity);
    int Opacity() const { return Opacity_; }
    // Draw the picture at the control's size instead of its own.
    void SetStretch(bool stretch);
    bool Stretch() const { return Stretch_; }
    // Give the control the picture's size.
    void SetAutoSize(bool autoSize);
    bool AutoSize() const { return AutoSize_; }

    void SetTag(int tag) { Tag_ = tag; }
    int Tag() const { return Tag_; }
    // The hint shows as the widget's tool tip.
    void SetHint(const QString& hint);
    QString Hint() const { return toolTip(); }

    // The hover highlight (`THighlightDIB`): on enter, when the image neither
    // has the focus nor holds the mouse capture, the opacity is remembered and
    // set to `highlightOpacity`; on leave, under the same conditions, the
    // remembered value comes back. Focus in and out act like enter and leave.
    void SetHighlight(bool on, int highlightOpacity = 255);
    bool Highlight() const { return HighlightOn_; }
    int HighlightOpacity() const { return HighlightOpacity_; }

    // Pressing and moving the enabled image starts a drag with a cross cursor
    // where the drop is accepted and the no-drop cursor where it is not.
    void SetDragSource(bool on, bool endDragHandled);
    bool DragSource() const { return DragSource_; }
    bool EndDragHandled() const { return EndDragHandled_; }
    bool Dragging() const { return Dragging_; }

    // Called by a drop target that took a sprite image's drop: the target and
    // the point in its pixels reach the source's end-drag signal.
    static void ReportDrop(QWidget* target, QPoint point);

signals:
    // Left button pressed and released over the image.
    void Clicked();
    // Any button released over the image.
    void MouseUp(Qt::MouseButton button, QPoint point);
    void StartDrag();
    // The drag ended: `target` took the drop at `point` (its pixels), or is
    // null when the drop was refused or went nowhere.
    void EndDrag(QWidget* target, QPoint point);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Drawn over the picture after it has drawn itself, in the picture's
    // coordinates (the board image paints the grid here).
    virtual void PaintEnd(QPainter& painter);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void LoadPicture();
    void HighlightOn();
    void HighlightOff();
    void RunDrag();

    TImageList List_ = TImageList::DIBImageList1;
    int Index_ = 0;
    QImage Picture_;
    int Opacity_ = 255;
    bool Stretch_ = false;
    bool AutoSize_ = false;
    int Tag_ = 0;

    bool HighlightOn_ = false;
    int HighlightOpacity_ = 255;
    int RememberedOpacity_ = 255;
    bool Highlighted_ = false;

    bool DragSource_ = false;
    bool EndDragHandled_ = false;
    bool Dragging_ = false;
    bool Capture_ = false;  // a button went down on the image and has not come up
    QPoint PressPoint_;

    struct TDropReport {
        QPointer<QWidget> Target;
        QPoint Point;
        bool Reported = false;
    };
    static TDropReport LastDrop_;
};
