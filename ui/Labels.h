// The two kinds of text label of the screens: the shadow label, whose text is
// drawn a second time offset right and down in a shadow colour, and the hover
// label, a transparent link whose colour changes under the pointer.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <memory>

class QTextLayout;

// Converts a caption's CR LF line breaks into the newlines Qt draws.
QString CaptionText(const QString& caption);

// `TRxLabel` with a shadow: transparent background, the shadow drawn first.
class TShadowLabel : public QWidget {
    Q_OBJECT
public:
    explicit TShadowLabel(QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const { return Text_; }
    void SetColor(QColor color);
    QColor Color() const { return Color_; }
    void SetShadow(QColor color, int size);
    QColor ShadowColor() const { return ShadowColor_; }
    int ShadowSize() const { return ShadowSize_; }
    void SetCentred(bool centred);
    bool Centred() const { return Centred_; }
    void SetWordWrap(bool wrap);
    bool WordWrap() const { return WordWrap_; }
    // Auto-sized labels take the size of their text (a word-wrapped one keeps
    // its width unless a single word is wider, and takes the height of its
    // lines; widened, a centred one stays centred where its design box was,
    // a left-aligned one keeps its left edge); fixed-size labels keep their geometry.
    void SetAutoSize(bool autoSize);
    bool AutoSize() const { return AutoSize_; }
    // What a word-wrapped auto-size label keeps of its design box: the width
    // it wraps at and twice its centre's x (-1 and 0 until it first sized itself).
    int WrapWidth() const { return WrapWidth_; }
    int DesignCentreX2() const { return DesignCentre2_; }
    void setFont(const QFont& font);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void AdjustBounds();
    int TextFlags() const;

    QString Text_;
    QColor Color_{Qt::black};
    QColor ShadowColor_{Qt::gray};
    int ShadowSize_ = 1;
    bool Centred_ = false;
    bool WordWrap_ = false;
    bool AutoSize_ = true;
    int WrapWidth_ = -1;  // the design width a word-wrapped auto-size label wraps at
    int DesignCentre2_ = 0;  // twice the design centre x of a centred one
};

// `TURLtransparantLabel`: transparent text in `ColorOnExit`, `ColorOnenter`
// while the pointer is over it, with a click signal.
class TURLtransparantLabel : public QWidget {
    Q_OBJECT
public:
    explicit TURLtransparantLabel(QWidget* parent = nullptr);
    ~TURLtransparantLabel() override;

    void SetText(const QString& text);
    QString Text() const { return Text_; }
    // The text as drawn: the caption, or its lines cut short by the elide width.
    QString ShownText() const { return Shown_; }
    void SetColors(QColor onEnter, QColor onExit);
    QColor ColorOnenter() const { return ColorOnEnter_; }
    QColor ColorOnExit() const { return ColorOnExit_; }
    void SetLinkUnderline(bool underline);
    bool LinkUnderline() const { return Underline_; }
    // The colour the text is drawn in now.
    QColor CurrentColor() const { return Hovered_ ? ColorOnEnter_ : ColorOnExit_; }
    bool Hovered() const { return Hovered_; }
    // A fixed-size label keeps its geometry and breaks lines only where its
    // caption does; a line wider than the box is drawn in the same typeface
    // set narrower, so every line shows whole. Otherwise the label takes the
    // size of its text.
    void SetFixedGeometry(bool fixed);
    bool FixedGeometry() const { return Fixed_; }
    // A line wider than this many pixels is cut short with "…" (0: never).
    void SetElideWidth(int width);
    int ElideWidth() const { return ElideWidth_; }
    void setFont(const QFont& font);
    // The font the text is drawn in (narrowed when a fixed box needs it).
    QFont DrawFont() const { return DrawFont_; }

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AdjustBounds();
    const QTextLayout& Layout();

    QString Text_;
    QString Shown_;
    QFont DrawFont_;
    // The shown text laid out once, as the painter's text drawing would lay it
    // out at every paint: the links lie over the star field, which repaints
    // them many times a second. Made again when the text, font, size or
    // underline changes.
    std::unique_ptr<QTextLayout> Layout_;
    bool LayoutUnderlined_ = false;
    bool LayoutClipped_ = false;
    int ElideWidth_ = 0;
    QColor ColorOnEnter_{Qt::red};
    QColor ColorOnExit_{Qt::blue};
    bool Underline_ = false;
    bool Hovered_ = false;
    bool Fixed_ = false;
    bool Pressed_ = false;
};
