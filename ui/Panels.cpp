#include "Panels.h"

#include <QAbstractItemView>
#include <QListView>
#include <QStyledItemDelegate>
#include <QMouseEvent>
#include <QPainter>

QFont GameFont(int pixelSize, bool bold) {
    // Arial's metrics come closest to the narrow sans-serif the layout was
    // measured in; DejaVu Sans is always there as the fallback.
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                   QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// ---- TDIBContainer ----------------------------------------------------------

TDIBContainer::TDIBContainer(QWidget* parent, QColor color) : QWidget(parent), Color_(color) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TDIBContainer::SetColor(QColor color) {
    if (Color_ == color) return;
    Color_ = color;
    update();
}

void TDIBContainer::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), Color_);
}

// ---- TdxContainer -----------------------------------------------------------

TdxContainer::TdxContainer(QWidget* parent, QColor color) : QWidget(parent), Color_(color) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TdxContainer::SetColor(QColor color) {
    Color_ = color;
    update();
}

void TdxContainer::SetFrameSides(int sides) {
    Sides_ = sides;
    update();
}

void TdxContainer::SetFrameColor(QColor color) {
    FrameColor_ = color;
    update();
}

void TdxContainer::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), Color_);
    const int w = width();
    const int h = height();
    if (Sides_ & Left) p.fillRect(0, 0, 1, h, FrameColor_);
    if (Sides_ & Top) p.fillRect(0, 0, w, 1, FrameColor_);
    if (Sides_ & Right) p.fillRect(w - 1, 0, 1, h, FrameColor_);
    if (Sides_ & Bottom) p.fillRect(0, h - 1, w, 1, FrameColor_);
}

// ---- TdxButton --------------------------------------------------------------

TdxButton::TdxButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    resize(DefaultWidth, DefaultHeight);
    setFont(GameFont(11));
    setFlat(true);
    setAutoDefault(false);
    setCursor(Qt::PointingHandCursor);
    // A flat classic face that reads well on the dark screens.
    setStyleSheet(QStringLiteral(
        "QPushButton { background: #2A2A3A; color: #E0E0E0; border: 1px solid #808080; padding: 0; }"
        "QPushButton:hover { background: #3A3A5A; border-color: #A0A0FF; }"
        "QPushButton:pressed { background: #151520; }"
        "QPushButton:focus { border-color: #C0C0FF; }"));
}

// ---- TFlatComboBox ---------------------------------------------------------

namespace {

// Rows of the open list at a fixed height; the text is centred in the row.
class TFixedRowDelegate : public QStyledItemDelegate {
public:
    TFixedRowDelegate(const TFlatComboBox* combo, QObject* parent)
        : QStyledItemDelegate(parent), Combo_(combo) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (Combo_->ItemHeight() > 0) size.setHeight(Combo_->ItemHeight());
        return size;
    }

private:
    const TFlatComboBox* Combo_;
};

}  // namespace

const QColor TFlatComboBox::FaceColor{0x00, 0x00, 0x00};
const QColor TFlatComboBox::FrameColor{0x50, 0x50, 0x50};
const QColor TFlatComboBox::FocusFrameColor{0x80, 0x80, 0xFF};
const QColor TFlatComboBox::ListColor{0x00, 0x00, 0x00};
const QColor TFlatComboBox::ListFrameColor{0x50, 0x50, 0x50};
const QColor TFlatComboBox::ListSelectedColor{0x00, 0x00, 0x80};
const QColor TFlatComboBox::ListSelectedTextColor{0xFF, 0xFF, 0xFF};

TFlatComboBox::TFlatComboBox(QWidget* parent, QColor textColor)
    : QComboBox(parent), TextColor_(textColor) {
    setEditable(false);
    view()->setStyleSheet(QStringLiteral(
        "QAbstractItemView { background: %2; color: %1; border: 1px solid %3;"
        " selection-background-color: %4; selection-color: %5; outline: 0; }")
                              .arg(textColor.name(), ListColor.name(), ListFrameColor.name(),
                                   ListSelectedColor.name(), ListSelectedTextColor.name()));
    setItemDelegate(new TFixedRowDelegate(this, this));
}

void TFlatComboBox::SetItemHeight(int height) {
    ItemHeight_ = height;
    if (auto* list = qobject_cast<QListView*>(view())) list->setUniformItemSizes(true);
    view()->doItemsLayout();
}

std::array<QPointF, 3> TFlatComboBox::ArrowPoints(const QRect& rect) {
    const int ax = rect.right() - 11;
    const int ay = rect.center().y() - 1;
    return {{{ax - 4.0, ay - 2.0}, {ax + 4.0, ay - 2.0}, {ax + 0.0, ay + 3.0}}};
}

QRect TFlatComboBox::TextRect(const QRect& rect) { return rect.adjusted(4, 0, -20, 0); }

void TFlatComboBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, FaceColor);
    p.setPen(hasFocus() ? FocusFrameColor : FrameColor);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(TextColor_);
    const std::array<QPointF, 3> tri = ArrowPoints(r);
    p.drawPolygon(tri.data(), 3);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(TextColor_);
    p.setFont(font());
    const QRect textRect = TextRect(r);
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
               fontMetrics().elidedText(currentText(), Qt::ElideRight, textRect.width()));
}

// ---- TShape -----------------------------------------------------------------

TShape::TShape(QWidget* parent, QColor color, bool dotted)
    : QWidget(parent), Color_(color), Dotted_(dotted) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!Dotted_) {
        p.fillRect(rect(), Color_);
        return;
    }
    // Every other pixel along the line.
    for (int y = 0; y < height(); ++y)
        for (int x = (y & 1); x < width(); x += 2) p.fillRect(x, y, 1, 1, Color_);
}

// ---- TStringGrid ------------------------------------------------------------

const QColor TStringGrid::FixedColor{0x00, 0x00, 0x80};
const QColor TStringGrid::SelectedColor{0x1C, 0x3F, 0x94};
const QColor TStringGrid::CellColor{0x00, 0x00, 0x00};
const QColor TStringGrid::TextColor{0xFF, 0xFF, 0xFF};
const QColor TStringGrid::LineColor{0x80, 0x80, 0x80};

TStringGrid::TStringGrid(std::vector<int> colWidths, int rowCount, int rowHeight, QWidget* parent)
    : QWidget(parent),
      ColWidths_(std::move(colWidths)),
      RowCount_(rowCount),
      RowHeight_(rowHeight),
      Cells_(ColWidths_.size() * static_cast<size_t>(rowCount)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(GameFont(11));
}

QString TStringGrid::Cell(int col, int row) const {
    if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount_) return {};
    return Cells_[static_cast<size_t>(row * ColCount() + col)];
}

void TStringGrid::SetCell(int col, int row, const QString& text) {
    if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount_) return;
    QString& cell = Cells_[static_cast<size_t>(row * ColCount() + col)];
    if (cell == text) return;
    cell = text;
    update(CellRect(col, row));
}

QRect TStringGrid::CellRect(int col, int row) const {
    // Each cell is followed by a one-pixel line, as a string grid lays them out.
    int x = 0;
    for (int c = 0; c < col; ++c) x += ColWidths_[static_cast<size_t>(c)] + 1;
    return QRect(x, row * (RowHeight_ + 1), ColWidths_[static_cast<size_t>(col)], RowHeight_);
}

void TStringGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), CellColor);
    p.setFont(font());
    for (int row = 0; row < RowCount_; ++row) {
        for (int col = 0; col < ColCount(); ++col) {
            const QRect r = CellRect(col, row);
            QColor bg = CellColor;
            if (row == 0)
                bg = FixedColor;
            else if (row == Selected_)
                bg = SelectedColor;
            p.fillRect(r, bg);
            if (row == 0) {
                // Lines around the fixed cells only.
                p.fillRect(r.right() + 1, r.top(), 1, r.height() + 1, LineColor);
                p.fillRect(r.left(), r.bottom() + 1, r.width() + 1, 1, LineColor);
            }
            p.setPen(TextColor);
            p.save();
            p.setClipRect(r);
            p.drawText(r.adjusted(TextLeftInset, 0, -TextRightInset, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       Cells_[static_cast<size_t>(row * ColCount() + col)]);
            p.restore();
        }
    }
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
    const int row = event->position().toPoint().y() / (RowHeight_ + 1);
    if (row >= 1 && row < RowCount_ && row != Selected_) {
        Selected_ = row;
        update();
    }
    QWidget::mousePressEvent(event);
}
