// Writes the layout of the game's windows as JSON, read from the real widgets
// (offscreen): the main window TForm1 as start-up leaves it and the name
// dialog TForm2. Every named widget is one component with its parent, kind,
// geometry relative to the parent as Qt laid it out, visibility, and what
// drawing it needs: colours, fonts, texts, pictures, sizes. Parents come
// before their children, and siblings are listed back to front. The browser
// page places its elements from this file, so the two front ends share one
// description of the screens.
//
//   agarhold_layout OUTPUT.json
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QStyleOptionSlider>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "AgarholdU1.h"
#include "AgarholdU2.h"
#include "AnalogClock.h"
#include "Board.h"
#include "Hints.h"
#include "ScreenJson.h"
#include "StarField.h"
#include "TGame.h"
#include "VirtualHost.h"

namespace {

// ---- A small JSON writer that keeps the order its fields were added in ----

std::string Quote(const QString& text) { return JsonString(text.toStdString()); }

class TObj {
public:
    TObj& Raw(const char* key, std::string json) {
        Fields_.emplace_back(key, std::move(json));
        return *this;
    }
    TObj& Int(const char* key, long long v) { return Raw(key, std::to_string(v)); }
    TObj& Bool(const char* key, bool v) { return Raw(key, v ? "true" : "false"); }
    TObj& Str(const char* key, const QString& v) { return Raw(key, Quote(v)); }
    TObj& Colour(const char* key, QColor c) {
        return Str(key, c.isValid() ? c.name(QColor::HexRgb).toUpper() : QString());
    }
    TObj& Obj(const char* key, const TObj& o) { return Raw(key, o.Text()); }
    std::string Text() const {
        std::string out = "{";
        for (size_t i = 0; i < Fields_.size(); ++i) {
            if (i) out += ", ";
            out += "\"" + Fields_[i].first + "\": " + Fields_[i].second;
        }
        return out + "}";
    }

private:
    std::vector<std::pair<std::string, std::string>> Fields_;
};

std::string IntArray(const std::vector<int>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) out += (i ? ", " : "") + std::to_string(values[i]);
    return out + "]";
}

TObj Rect(const QRect& r) {
    TObj o;
    o.Int("left", r.x()).Int("top", r.y()).Int("width", r.width()).Int("height", r.height());
    return o;
}

std::string StrArray(const QStringList& values) {
    std::string out = "[";
    for (qsizetype i = 0; i < values.size(); ++i) out += (i ? ", " : "") + Quote(values[i]);
    return out + "]";
}

// ---- What the widgets tell ----

TObj Font(const QFont& f) {
    TObj o;
    o.Str("family", QFontInfo(f).family()).Int("px", f.pixelSize()).Bool("bold", f.bold());
    return o;
}

QString ListName(TImageList list) {
    switch (list) {
        case TImageList::DIBImageList1: return QStringLiteral("DIBImageList1");
        case TImageList::DIBImageList2: return QStringLiteral("DIBImageList2");
        case TImageList::bacs_image: return QStringLiteral("bacs_image");
    }
    return {};
}

// The CSS name of the pointer shape the widget asks for; "default" when it
// asks for none of its own.
QString CursorName(const QWidget* w) {
    if (!w->testAttribute(Qt::WA_SetCursor)) return QStringLiteral("default");
    switch (w->cursor().shape()) {
        case Qt::ArrowCursor: return QStringLiteral("default");
        case Qt::PointingHandCursor: return QStringLiteral("pointer");
        case Qt::CrossCursor: return QStringLiteral("crosshair");
        case Qt::IBeamCursor: return QStringLiteral("text");
        case Qt::ForbiddenCursor: return QStringLiteral("not-allowed");
        default: return QStringLiteral("default");
    }
}

// A pixel of the widget as Qt paints it; `down` paints a button pressed.
QColor Painted(QWidget* w, QPoint at, bool down = false) {
    auto* button = qobject_cast<QPushButton*>(w);
    if (down && button) button->setDown(true);
    const QImage image = w->grab().toImage();
    if (down && button) button->setDown(false);
    return image.pixelColor(at);
}

// A colour the widget's style sheet gives in its rule for `selector`
// ("QPushButton:hover"): `property` ("background", "border-color"), or the
// colour of a "border" shorthand. Invalid when the rule does not set it.
// (Offscreen, a grab never shows the pointer's hover, so the sheet tells it.)
QColor SheetColour(const QWidget* w, const QString& selector, const QString& property) {
    const QString sheet = w->styleSheet();
    const QRegularExpression rule(QRegularExpression::escape(selector) + QStringLiteral("\\s*\\{([^}]*)\\}"));
    const QRegularExpressionMatch m = rule.match(sheet);
    if (!m.hasMatch()) return {};
    for (const QString& decl : m.captured(1).split(u';')) {
        const qsizetype colon = decl.indexOf(u':');
        if (colon < 0 || decl.left(colon).trimmed() != property) continue;
        for (const QString& word : decl.mid(colon + 1).split(u' ', Qt::SkipEmptyParts))
            if (QColor::isValidColorName(word)) return QColor::fromString(word);
    }
    return {};
}

void Sprite(TObj& o, const TDIBImage* s) {
    o.Str("list", ListName(s->ImageList()))
        .Int("index", s->ImageIndex())
        .Int("opacity", s->Opacity())
        .Bool("stretch", s->Stretch())
        .Bool("autoSize", s->AutoSize())
        .Int("tag", s->Tag())
        .Bool("highlight", s->Highlight())
        .Int("highlightOpacity", s->HighlightOpacity())
        .Bool("dragSource", s->DragSource())
        .Bool("dragHandled", s->DragSource() && s->EndDragHandled());
}

QString Kind(QWidget* w) {
    if (qobject_cast<TBoardImage*>(w)) return QStringLiteral("board");
    if (qobject_cast<TDIBImage*>(w)) return QStringLiteral("sprite");
    if (qobject_cast<TDIBMagnifier*>(w)) return QStringLiteral("magnifier");
    if (qobject_cast<TDIBContainer*>(w)) return QStringLiteral("panel");
    if (qobject_cast<TdxContainer*>(w)) return QStringLiteral("framed");
    if (qobject_cast<TShadowLabel*>(w)) return QStringLiteral("shadowLabel");
    if (qobject_cast<TURLtransparantLabel*>(w)) return QStringLiteral("link");
    if (qobject_cast<TShape*>(w)) return QStringLiteral("shape");
    if (qobject_cast<QSlider*>(w)) return QStringLiteral("slider");
    if (qobject_cast<QComboBox*>(w)) return QStringLiteral("combo");
    if (qobject_cast<QPushButton*>(w)) return QStringLiteral("button");
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->pixmap().isNull() ? QStringLiteral("label") : QStringLiteral("picture");
    if (qobject_cast<TNcaStar*>(w)) return QStringLiteral("stars");
    if (qobject_cast<TRxClock*>(w)) return QStringLiteral("clock");
    if (qobject_cast<TStringGrid*>(w)) return QStringLiteral("grid");
    if (qobject_cast<QLineEdit*>(w)) return QStringLiteral("edit");
    return {};
}

// The fields of one kind beyond the common ones.
void KindFields(TObj& o, const QString& kind, QWidget* w) {
    w->ensurePolished();
    const QPalette& pal = w->palette();
    if (kind == QLatin1String("board")) {
        Sprite(o, static_cast<TDIBImage*>(w));
        o.Colour("backColor", QColor::fromRgb(BoardBackColour));
    } else if (kind == QLatin1String("sprite")) {
        Sprite(o, static_cast<TDIBImage*>(w));
    } else if (kind == QLatin1String("magnifier")) {
        auto* m = static_cast<TDIBMagnifier*>(w);
        o.Int("scale", MagnifierScale * 100)
            .Int("cellPx", MagnifierScale)
            .Int("cols", MagnifiedCols)
            .Int("rows", MagnifiedRows)
            .Bool("tint", m->Tint())
            .Int("tintLeft", TintLeft)
            .Int("tintOpacity", TintOpacity)
            .Colour("tintColor", QColor::fromRgb(TintColour))
            .Colour("backColor", QColor::fromRgb(BoardBackColour))
            .Bool("acceptDrops", m->acceptDrops());
    } else if (kind == QLatin1String("panel")) {
        o.Colour("color", static_cast<TDIBContainer*>(w)->Color());
    } else if (kind == QLatin1String("framed")) {
        auto* f = static_cast<TdxContainer*>(w);
        const int sides = f->FrameSides();
        TObj s;
        s.Bool("left", sides & TdxContainer::Left)
            .Bool("top", sides & TdxContainer::Top)
            .Bool("right", sides & TdxContainer::Right)
            .Bool("bottom", sides & TdxContainer::Bottom);
        o.Colour("color", f->Color()).Colour("frameColor", f->FrameColor()).Obj("frame", s);
    } else if (kind == QLatin1String("shadowLabel")) {
        auto* l = static_cast<TShadowLabel*>(w);
        o.Str("text", l->Text())
            .Obj("font", Font(l->font()))
            .Colour("color", l->Color())
            .Colour("shadowColor", l->ShadowColor())
            .Int("shadowSize", l->ShadowSize())
            .Bool("centred", l->Centred())
            .Bool("wordWrap", l->WordWrap())
            .Bool("autoSize", l->AutoSize());
        if (l->AutoSize() && l->WordWrap())
            o.Int("wrapWidth", l->WrapWidth()).Int("designCentreX2", l->DesignCentreX2());
    } else if (kind == QLatin1String("link")) {
        auto* l = static_cast<TURLtransparantLabel*>(w);
        o.Str("text", l->Text())
            .Str("shown", l->ShownText())
            .Obj("font", Font(l->font()))
            .Int("fontStretch", l->DrawFont().stretch() == 0 ? 100 : l->DrawFont().stretch())
            .Colour("colorOnExit", l->ColorOnExit())
            .Colour("colorOnEnter", l->ColorOnenter())
            .Bool("underline", l->LinkUnderline())
            .Bool("autoSize", !l->FixedGeometry())
            .Int("elideWidth", l->ElideWidth());
    } else if (kind == QLatin1String("shape")) {
        auto* s = static_cast<TShape*>(w);
        o.Colour("color", s->Color()).Bool("dotted", s->Dotted());
    } else if (kind == QLatin1String("slider")) {
        auto* s = static_cast<QSlider*>(w);
        QString ticks = QStringLiteral("none");
        if (s->tickPosition() == QSlider::TicksBelow) ticks = QStringLiteral("below");
        else if (s->tickPosition() == QSlider::TicksAbove) ticks = QStringLiteral("above");
        else if (s->tickPosition() == QSlider::TicksBothSides) ticks = QStringLiteral("both");
        o.Bool("horizontal", s->orientation() == Qt::Horizontal)
            .Int("min", s->minimum())
            .Int("max", s->maximum())
            .Int("step", s->singleStep())
            .Int("pageStep", s->pageStep())
            .Int("tickInterval", s->tickInterval())
            .Str("ticks", ticks)
            .Int("value", s->value())
            .Bool("focusable", s->focusPolicy() & Qt::TabFocus);
        // Where the style draws the groove and the handle (at the lowest,
        // the highest and the current value), and the colours it paints them in.
        QStyleOptionSlider opt;
        opt.initFrom(s);
        opt.orientation = s->orientation();
        if (opt.orientation == Qt::Horizontal) opt.state |= QStyle::State_Horizontal;
        opt.minimum = s->minimum();
        opt.maximum = s->maximum();
        opt.singleStep = s->singleStep();
        opt.pageStep = s->pageStep();
        opt.tickPosition = s->tickPosition();
        opt.tickInterval = s->tickInterval();
        opt.upsideDown = s->invertedAppearance();
        opt.subControls = QStyle::SC_All;
        auto handleAt = [&](int value) {
            opt.sliderPosition = value;
            opt.sliderValue = value;
            return s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s);
        };
        const QRect handle = handleAt(s->value());
        const QRect groove = s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, s);
        o.Obj("groove", Rect(groove))
            .Obj("handle", Rect(handle))
            .Obj("handleAtMin", Rect(handleAt(s->minimum())))
            .Obj("handleAtMax", Rect(handleAt(s->maximum())))
            .Colour("handleColor", Painted(w, handle.center()))
            .Colour("grooveColor", Painted(w, QPoint(groove.right() - 4, groove.center().y())));
    } else if (kind == QLatin1String("combo")) {
        auto* c = static_cast<QComboBox*>(w);
        QStringList items;
        for (int i = 0; i < c->count(); ++i) items << c->itemText(i);
        o.Obj("font", Font(c->font())).Raw("items", StrArray(items)).Int("index", c->currentIndex());
        o.Bool("editable", c->isEditable());
        if (auto* f = qobject_cast<TFlatComboBox*>(w)) {
            o.Colour("textColor", f->TextColor())
                .Int("itemHeight", f->ItemHeight())
                .Obj("textRect", Rect(TFlatComboBox::TextRect(f->rect())))
                .Colour("color", TFlatComboBox::FaceColor)
                .Colour("frameColor", TFlatComboBox::FrameColor)
                .Colour("focusFrameColor", TFlatComboBox::FocusFrameColor)
                .Colour("listColor", TFlatComboBox::ListColor)
                .Colour("listFrameColor", TFlatComboBox::ListFrameColor)
                .Colour("listSelectedColor", TFlatComboBox::ListSelectedColor)
                .Colour("listSelectedTextColor", TFlatComboBox::ListSelectedTextColor);
            std::string arrow = "[";
            for (const QPointF& pt : TFlatComboBox::ArrowPoints(f->rect()))
                arrow += (arrow.size() > 1 ? ", [" : "[") + QString::number(pt.x()).toStdString() + ", " +
                         QString::number(pt.y()).toStdString() + "]";
            o.Raw("arrow", arrow + "]");
        }
    } else if (kind == QLatin1String("button")) {
        auto* b = static_cast<QPushButton*>(w);
        // Read as Qt paints it: the face and the frame from grabs of the
        // button at rest, under the pointer and pressed.
        const QPoint frame(0, 0);
        const QPoint face(2, 2);
        o.Str("caption", b->text())
            .Obj("font", Font(b->font()))
            .Colour("textColor", pal.color(QPalette::ButtonText))
            .Colour("color", Painted(w, face))
            .Colour("frameColor", Painted(w, frame))
            .Colour("hoverColor", SheetColour(w, QStringLiteral("QPushButton:hover"), QStringLiteral("background")))
            .Colour("hoverFrameColor", SheetColour(w, QStringLiteral("QPushButton:hover"), QStringLiteral("border-color")))
            .Colour("focusFrameColor", SheetColour(w, QStringLiteral("QPushButton:focus"), QStringLiteral("border-color")))
            .Colour("downColor", Painted(w, face, true))
            .Bool("default", b->isDefault());
    } else if (kind == QLatin1String("picture")) {
        auto* l = static_cast<QLabel*>(w);
        o.Str("image", QStringLiteral("title.jpg"))
            .Int("imageWidth", l->pixmap().width())
            .Int("imageHeight", l->pixmap().height());
    } else if (kind == QLatin1String("label")) {
        auto* l = static_cast<QLabel*>(w);
        o.Str("text", l->text())
            .Obj("font", Font(l->font()))
            .Colour("color", pal.color(QPalette::WindowText))
            .Bool("wordWrap", l->wordWrap());
    } else if (kind == QLatin1String("stars")) {
        auto* s = static_cast<TNcaStar*>(w);
        o.Int("centreX", s->Centre().x())
            .Int("centreY", s->Centre().y())
            .Int("brightness", s->Brightness())
            .Int("moveInterval", s->MoveInterval())
            .Int("frameInterval", TNcaStar::FrameIntervalMs)
            .Int("maxStars", TNcaStar::MaxStars)
            .Int("minStartDistance", TNcaStar::MinStartDistance)
            .Bool("active", s->Active());
    } else if (kind == QLatin1String("clock")) {
        // The face's colour where no mark or hand lies: a corner.
        o.Colour("color", Painted(w, QPoint(0, 0))).Int("refreshMs", TRxClock::RefreshMs);
    } else if (kind == QLatin1String("grid")) {
        auto* g = static_cast<TStringGrid*>(w);
        std::vector<int> widths;
        for (int c = 0; c < g->ColCount(); ++c) widths.push_back(g->ColWidth(c));
        o.Raw("colWidths", IntArray(widths))
            .Int("rowCount", g->RowCount())
            .Int("rowHeight", g->RowHeight())
            .Int("fixedRows", 1)
            .Int("lineWidth", 1)
            .Obj("font", Font(g->font()))
            .Colour("color", TStringGrid::CellColor)
            .Colour("textColor", TStringGrid::TextColor)
            .Colour("fixedColor", TStringGrid::FixedColor)
            .Colour("selectedColor", TStringGrid::SelectedColor)
            .Colour("lineColor", TStringGrid::LineColor)
            .Int("textLeftInset", TStringGrid::TextLeftInset)
            .Int("textRightInset", TStringGrid::TextRightInset);
    } else if (kind == QLatin1String("edit")) {
        auto* e = static_cast<QLineEdit*>(w);
        int maxLength = e->maxLength();
        if (qobject_cast<TNameEdit*>(w)) maxLength = TNameEdit::MaxTyped;
        // Where the line of text stands, as QLineEdit places it: in the
        // style's contents box less the text margins, two pixels in from the
        // left (QLineEdit's own margin), centred vertically.
        QStyleOptionFrame panel;
        panel.initFrom(e);
        panel.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, e) : 0;
        panel.state |= QStyle::State_Sunken;
        const QRect contents =
            e->style()->subElementRect(QStyle::SE_LineEditContents, &panel, e).marginsRemoved(e->textMargins());
        const int lineHeight = QFontMetrics(e->font()).height();
        constexpr int LineEditMargin = 2;
        o.Str("text", e->text())
            .Obj("font", Font(e->font()))
            .Int("textLeft", contents.left() + LineEditMargin)
            .Int("lineTop", contents.top() + (contents.height() - lineHeight + 1) / 2)
            .Int("lineHeight", lineHeight)
            .Colour("color", pal.color(QPalette::Base))
            .Colour("textColor", pal.color(QPalette::Text))
            .Bool("frame", e->hasFrame())
            .Int("maxLength", maxLength);
    }
}

struct TWriter {
    std::vector<std::string> Lines;
    QStringList Unknown;

    void Walk(QWidget* w, const QString& parent) {
        const QString kind = Kind(w);
        if (kind.isEmpty()) {
            Unknown << w->objectName();
            return;
        }
        const QRect g = w->geometry();
        TObj o;
        o.Str("name", w->objectName())
            .Str("parent", parent)
            .Str("kind", kind)
            .Int("left", g.x())
            .Int("top", g.y())
            .Int("width", g.width())
            .Int("height", g.height())
            .Bool("visible", !w->isHidden())
            .Bool("enabled", w->isEnabledTo(w->parentWidget()))
            .Bool("mouseTransparent", w->testAttribute(Qt::WA_TransparentForMouseEvents))
            .Str("cursor", CursorName(w))
            .Str("hint", w->toolTip());
        KindFields(o, kind, w);
        Lines.push_back(o.Text());
        WalkChildren(w);
    }

    // Named child widgets in Qt's stacking order, back to front; the
    // widgets Qt makes inside its own controls have no name and are left out.
    void WalkChildren(QWidget* w) {
        for (QObject* child : w->children()) {
            auto* cw = qobject_cast<QWidget*>(child);
            if (!cw || cw->isWindow() || cw->objectName().isEmpty()) continue;
            Walk(cw, w->objectName());
        }
    }
};

TObj Window(const QWidget* w, int width, int height) {
    TObj o;
    o.Str("name", w->objectName()).Int("width", width).Int("height", height).Str("caption", w->windowTitle());
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.json\n", argv[0]);
        return 2;
    }

    // The main window as start-up leaves it: the title screen at 2, 2, the
    // player bar with the starting rating and the mode link's caption.
    VirtualHost host;
    TGame game(host);
    TForm1 form(game);
    game.PlayerRating = 1600;
    game.Screen.URLtransparantLabel7.Caption = std::to_string(game.PlayerRating);
    game.Screen.URLtransparantLabel1.Caption = TGame::GameModeCaption(game.GameMode);
    form.SyncFromModel();
    form.show();
    // The window is made the active one, as on the desktop, so the widget with
    // the keyboard focus is described with it. Qt 6.8 marks this call
    // deprecated; it is kept, since the committed layout was written with it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    QApplication::setActiveWindow(&form);
#pragma GCC diagnostic pop
    TForm2 dialog(&form);

    if (form.size() != QSize(TForm1::ClientWidth, TForm1::ClientHeight)) {
        std::fprintf(stderr, "the window is %dx%d, not at its design size\n", form.width(), form.height());
        return 1;
    }

    TWriter writer;
    writer.WalkChildren(&form);
    writer.WalkChildren(&dialog);
    if (!writer.Unknown.isEmpty()) {
        std::fprintf(stderr, "widgets of no known kind: %s\n", qPrintable(writer.Unknown.join(u' ')));
        return 1;
    }

    TObj mainForm = Window(&form, TForm1::ClientWidth, TForm1::ClientHeight);
    // The widget style the slider's groove and handle were measured in.
    mainForm.Str("style", QApplication::style()->name());
    TObj nameDialog = Window(&dialog, TForm2::ClientWidth, TForm2::ClientHeight);
    dialog.ensurePolished();
    nameDialog.Colour("color", dialog.palette().color(QPalette::Window)).Bool("modal", dialog.isModal());

    const THintTimings hints;
    TObj hintObj;
    hintObj.Int("pause", hints.HintPause).Int("shortPause", hints.HintShortPause).Int("hidePause", hints.HintHidePause);

    // The image lists: each picture's file among the assets, its size, and the
    // colour drawn fully transparent (null: none).
    TObj lists;
    for (TImageList list : {TImageList::DIBImageList1, TImageList::DIBImageList2, TImageList::bacs_image}) {
        std::string entries = "[";
        for (int i = 0; i < ListImageCount(list); ++i) {
            const QImage img = ListImage(list, i);
            TObj e;
            e.Int("index", i)
                .Str("file", QStringLiteral("images/%1.png").arg(ListImageName(list, i)))
                .Int("width", img.width())
                .Int("height", img.height())
                .Raw("transparentColor", ListImageBlackTransparent(list, i) ? Quote(QStringLiteral("#000000")) : "null");
            entries += (i ? ",\n    " : "\n    ") + e.Text();
        }
        lists.Raw(qPrintable(ListName(list)), entries + "\n  ]");
    }

    std::string out = "{\n";
    out += "\"form\": " + mainForm.Text() + ",\n";
    out += "\"dialog\": " + nameDialog.Text() + ",\n";
    out += "\"hints\": " + hintObj.Text() + ",\n";
    out += "\"imageLists\": " + lists.Text() + ",\n";
    out += "\"components\": [\n";
    for (size_t i = 0; i < writer.Lines.size(); ++i)
        out += "  " + writer.Lines[i] + (i + 1 < writer.Lines.size() ? ",\n" : "\n");
    out += "]\n}\n";

    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(out.data(), static_cast<qint64>(out.size())) != static_cast<qint64>(out.size()) ||
        !file.flush()) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[1], qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
