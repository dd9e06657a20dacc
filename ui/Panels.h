// Plain panels, framed panels, flat buttons and the string grids of the
// statistics panel: the containers the screens are built from.
#pragma once

#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <array>
#include <vector>

// The game's one typeface: a plain sans-serif at a character height in pixels.
QFont GameFont(int pixelSize, bool bold = false);

// A plain panel filled with one colour (`TDIBContainer`).
class TDIBContainer : public QWidget {
    Q_OBJECT
public:
    explicit TDIBContainer(QWidget* parent = nullptr, QColor color = Qt::black);
    void SetColor(QColor color);
    QColor Color() const { return Color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor Color_;
};

// A panel with a one-pixel gray frame on the chosen sides and no caption (`TdxContainer`).
class TdxContainer : public QWidget {
    Q_OBJECT
public:
    enum Side { Left = 1, Top = 2, Right = 4, Bottom = 8, AllSides = 15 };

    explicit TdxContainer(QWidget* parent = nullptr, QColor color = Qt::black);
    void SetColor(QColor color);
    QColor Color() const { return Color_; }
    void SetFrameSides(int sides);
    int FrameSides() const { return Sides_; }
    void SetFrameColor(QColor color);
    QColor FrameColor() const { return FrameColor_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor Color_;
    QColor FrameColor_{0x80, 0x80, 0x80};
    int Sides_ = AllSides;
};

// A flat push button, 73 x 21 unless resized (`TdxButton`).
class TdxButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr int DefaultWidth = 73;
    static constexpr int DefaultHeight = 21;
    explicit TdxButton(const QString& caption, QWidget* parent = nullptr);
};

// A flat drop-down list without free text: black, with the text and the
// arrow in one colour.
class TFlatComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TFlatComboBox(QWidget* parent = nullptr, QColor textColor = Qt::blue);

    // The height of each row of the open list, in pixels.
    void SetItemHeight(int height);
    int ItemHeight() const { return ItemHeight_; }
    QColor TextColor() const { return TextColor_; }

    // The face, its frame, and the frame while the list has the keyboard focus.
    static const QColor FaceColor;
    static const QColor FrameColor;
    static const QColor FocusFrameColor;
    // The open list: its background, frame, and the selected row.
    static const QColor ListColor;
    static const QColor ListFrameColor;
    static const QColor ListSelectedColor;
    static const QColor ListSelectedTextColor;
    // Where the face draws the arrow (a small triangle pointing down at the
    // right end) and the current item's text, in a box of `rect`.
    static std::array<QPointF, 3> ArrowPoints(const QRect& rect);
    static QRect TextRect(const QRect& rect);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor TextColor_;
    int ItemHeight_ = 0;
};

// A filled rectangle without outline, or a dotted one-pixel line (`TShape`).
class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr, QColor color = Qt::white, bool dotted = false);
    QColor Color() const { return Color_; }
    bool Dotted() const { return Dotted_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor Color_;
    bool Dotted_;
};

// A read-only text grid with one fixed header row (`TStringGrid`): black
// cells with white text, the header on navy, grid lines only around the
// fixed cells; a click selects a whole data row.
class TStringGrid : public QWidget {
    Q_OBJECT
public:
    TStringGrid(std::vector<int> colWidths, int rowCount, int rowHeight, QWidget* parent = nullptr);

    int ColCount() const { return static_cast<int>(ColWidths_.size()); }
    int RowCount() const { return RowCount_; }
    int ColWidth(int col) const { return ColWidths_[static_cast<size_t>(col)]; }
    int RowHeight() const { return RowHeight_; }

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);

    // The selected data row (1..RowCount-1), or 0 when none is selected.
    int SelectedRow() const { return Selected_; }

    // The cell rectangle in widget pixels.
    QRect CellRect(int col, int row) const;

    static const QColor FixedColor;      // header row background (navy)
    static const QColor SelectedColor;   // background of the selected row
    static const QColor CellColor;       // background of the other rows
    static const QColor TextColor;
    static const QColor LineColor;       // the lines around the fixed cells
    // The text's room in a cell: this many pixels off its left and right edges.
    static constexpr int TextLeftInset = 2;
    static constexpr int TextRightInset = 1;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<int> ColWidths_;
    int RowCount_;
    int RowHeight_;
    std::vector<QString> Cells_;
    int Selected_ = 0;
};
