#include "Labels.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

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
        // Wrap at the design width; a word wider than that widens the label,
        // which keeps its left edge.
        if (WrapWidth_ < 0) WrapWidth_ = width() - ShadowSize_;
        const int wrapAt = std::max(1, WrapWidth_);
        QRect r = fm.boundingRect(QRect(0, 0, wrapAt, 100000), TextFlags(), Text_);
        const int w = std::max(wrapAt, r.width());
        if (w > wrapAt) r = fm.boundingRect(QRect(0, 0, w, 100000), TextFlags(), Text_);
        resize(w + ShadowSize_, std::max(r.height(), fm.height()) + ShadowSize_);
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

TURLtransparantLabel::TURLtransparantLabel(QWidget* parent) : QWidget(parent) {}

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

void TURLtransparantLabel::setFont(const QFont& font) {
    QWidget::setFont(font);
    AdjustBounds();
    update();
}

void TURLtransparantLabel::AdjustBounds() {
    if (Fixed_) return;
    const QFontMetrics fm(font());
    const QRect r = fm.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, Text_);
    resize(std::max(r.width(), 1), std::max(r.height(), fm.height()));
}

void TURLtransparantLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QFont f = font();
    f.setUnderline(Hovered_ && Underline_);
    p.setFont(f);
    p.setPen(CurrentColor());
    int flags = Qt::AlignLeft | Qt::AlignTop;
    if (Fixed_) flags |= Qt::TextWordWrap;
    p.drawText(rect(), flags, Text_);
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
