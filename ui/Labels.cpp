#include "Labels.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTextLayout>
#include <QtMath>

QString CaptionText(const QString& caption) {
    QString s = caption;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

// ---- TShadowLabel -----------------------------------------------------------

TShadowLabel::TShadowLabel(QWidget* parent) : QWidget(parent) {
    // Labels only show text: the pointer and drops go to what lies beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TShadowLabel::SetText(const QString& text) {
    const QString t = CaptionText(text);
    if (t == Text_) return;
    Text_ = t;
    AdjustBounds();
    update();
}

void TShadowLabel::SetColor(QColor color) {
    Color_ = color;
    update();
}

void TShadowLabel::SetShadow(QColor color, int size) {
    ShadowColor_ = color;
    ShadowSize_ = size;
    AdjustBounds();
    update();
}

void TShadowLabel::SetCentred(bool centred) {
    Centred_ = centred;
    update();
}

void TShadowLabel::SetWordWrap(bool wrap) {
    WordWrap_ = wrap;
    AdjustBounds();
    update();
}

void TShadowLabel::SetAutoSize(bool autoSize) {
    AutoSize_ = autoSize;
    AdjustBounds();
}

void TShadowLabel::setFont(const QFont& font) {
    QWidget::setFont(font);
    AdjustBounds();
    update();
}

int TShadowLabel::TextFlags() const {
    int flags = Qt::AlignTop | (Centred_ ? Qt::AlignHCenter : Qt::AlignLeft);
    if (WordWrap_) flags |= Qt::TextWordWrap;
    return flags;
}

void TShadowLabel::AdjustBounds() {
    if (!AutoSize_) return;
    const QFontMetrics fm(font());
    if (WordWrap_) {
        // Wrap at the design width; a word wider than that widens the label.
        if (WrapWidth_ < 0) {
            WrapWidth_ = width() - ShadowSize_;
            DesignCentre2_ = 2 * x() + width();
        }
        const int wrapAt = std::max(1, WrapWidth_);
        QRect r = fm.boundingRect(QRect(0, 0, wrapAt, 100000), TextFlags(), Text_);
        const int w = std::max(wrapAt, r.width());
        if (w > wrapAt) r = fm.boundingRect(QRect(0, 0, w, 100000), TextFlags(), Text_);
        const int width = w + ShadowSize_;
        const int height = std::max(r.height(), fm.height()) + ShadowSize_;
        if (Centred_) {
            // Widened about the design box's centre: "You Won" stands where the
            // countdown digit stood.
            setGeometry((DesignCentre2_ - width) / 2, y(), width, height);
        } else {
            resize(width, height);
        }
        return;
    }
    const QRect r = fm.boundingRect(QRect(0, 0, 100000, 100000), TextFlags(), Text_);
    resize(std::max(r.width(), 1) + ShadowSize_, std::max(r.height(), fm.height()) + ShadowSize_);
}

void TShadowLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    const QRect textRect(0, 0, width() - ShadowSize_, height() - ShadowSize_);
    p.setPen(ShadowColor_);
    p.drawText(textRect.translated(ShadowSize_, ShadowSize_), TextFlags(), Text_);
    p.setPen(Color_);
    p.drawText(textRect, TextFlags(), Text_);
}

// ---- TURLtransparantLabel ---------------------------------------------------

namespace {

qreal WidestLine(const QFont& font, const QStringList& lines) {
    const QFontMetricsF fm(font);
    qreal widest = 0;
    for (const QString& line : lines) widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

// `font` set just narrow enough that every line fits in `room` pixels; the
// character height stays. Vertical hinting only, since full hinting would
// put the glyphs back on their whole-pixel widths.
QFont NarrowedToFit(QFont font, const QStringList& lines, qreal room) {
    const qreal natural = WidestLine(font, lines);
    if (natural <= room) return font;
    font.setHintingPreference(QFont::PreferVerticalHinting);
    const int first = std::min(99, static_cast<int>(100 * room / natural));
    for (int stretch = first; stretch >= 50; --stretch) {
        font.setStretch(stretch);
        if (WidestLine(font, lines) <= room) break;
    }
    return font;
}

}  // namespace

TURLtransparantLabel::TURLtransparantLabel(QWidget* parent) : QWidget(parent) {
    DrawFont_ = font();
}

TURLtransparantLabel::~TURLtransparantLabel() = default;

void TURLtransparantLabel::SetText(const QString& text) {
    const QString t = CaptionText(text);
    if (t == Text_) return;
    Text_ = t;
    AdjustBounds();
    update();
}

void TURLtransparantLabel::SetColors(QColor onEnter, QColor onExit) {
    ColorOnEnter_ = onEnter;
    ColorOnExit_ = onExit;
    update();
}

void TURLtransparantLabel::SetLinkUnderline(bool underline) {
    Underline_ = underline;
    update();
}

void TURLtransparantLabel::SetFixedGeometry(bool fixed) {
    Fixed_ = fixed;
    AdjustBounds();
}

void TURLtransparantLabel::SetElideWidth(int width) {
    ElideWidth_ = std::max(0, width);
    AdjustBounds();
    update();
}

void TURLtransparantLabel::setFont(const QFont& font) {
    QWidget::setFont(font);
    AdjustBounds();
    update();
}

void TURLtransparantLabel::AdjustBounds() {
    QStringList lines = Text_.split(QLatin1Char('\n'));
    if (ElideWidth_ > 0) {
        const QFontMetrics fm(font());
        for (QString& line : lines) line = fm.elidedText(line, Qt::ElideRight, ElideWidth_);
    }
    Shown_ = lines.join(QLatin1Char('\n'));
    Layout_.reset();
    if (Fixed_) {
        // One pixel column to spare, so the last letter is not cut at the edge.
        DrawFont_ = NarrowedToFit(font(), lines, width() - 1);
        return;
    }
    DrawFont_ = font();
    const QFontMetrics fm(font());
    const QRect r =
        fm.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, Shown_);
    resize(std::max(r.width(), 1), std::max(r.height(), fm.height()));
}

void TURLtransparantLabel::resizeEvent(QResizeEvent* event) {
    Layout_.reset();
    if (Fixed_) AdjustBounds();
    QWidget::resizeEvent(event);
}

const QTextLayout& TURLtransparantLabel::Layout() {
    const bool underlined = Hovered_ && Underline_;
    if (Layout_ && LayoutUnderlined_ == underlined) return *Layout_;
    // Laid out as drawing the text left and top aligned in the label's box
    // does: newlines break lines, trailing spaces count, lines start on whole
    // pixels one font leading apart, and lines that begin below the box are
    // left out.
    QFont f = DrawFont_;
    f.setUnderline(underlined);
    QString text = Shown_;  // its line breaks are newlines already
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    Layout_ = std::make_unique<QTextLayout>(text, f, this);
    LayoutUnderlined_ = underlined;
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::ManualWrap);
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    Layout_->setTextOption(option);
    Layout_->setCacheEnabled(true);
    const qreal leading = QFontMetrics(f, this).leading();
    qreal top = -leading;
    qreal widest = 0;
    Layout_->beginLayout();
    if (!text.isEmpty())
        for (;;) {
            QTextLine line = Layout_->createLine();
            if (!line.isValid()) break;
            line.setLineWidth(0x01000000);
            top = qCeil(top + leading);
            line.setPosition(QPointF(0, top));
            top += line.height();
            widest = std::max(widest, line.naturalTextWidth());
            if (top >= height()) break;
        }
    Layout_->endLayout();
    LayoutClipped_ = !QRectF(rect()).contains(QRectF(0, 0, widest, top));
    return *Layout_;
}

void TURLtransparantLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QTextLayout& layout = Layout();
    p.setFont(layout.font());
    p.setPen(CurrentColor());
    // Lines break only where the caption breaks them.
    if (LayoutClipped_) p.setClipRect(rect(), Qt::IntersectClip);
    layout.draw(&p, QPointF(0, 0));
}

void TURLtransparantLabel::enterEvent(QEnterEvent* event) {
    Hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void TURLtransparantLabel::leaveEvent(QEvent* event) {
    Hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

void TURLtransparantLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Pressed_ = true;
    event->accept();
}

void TURLtransparantLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = Pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    Pressed_ = false;
    event->accept();
    if (click) emit Clicked();
}
