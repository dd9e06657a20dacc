#include "Hints.h"

#include <QApplication>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QToolTip>
#include <QWindow>
#include <QWidget>

namespace {

THintTimings Installed;

class THintStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_ToolTip_WakeUpDelay) return Installed.HintPause;
        if (hint == SH_ToolTip_FallAsleepDelay) return Installed.HintShortPause;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

// The window a widget is seen in, through the scaled screens' scene too.
QWidget* ShownIn(QWidget* widget) {
    QWidget* top = widget->window();
    while (QGraphicsProxyWidget* proxy = top->graphicsProxyWidget()) {
        const QList<QGraphicsView*> views = proxy->scene() ? proxy->scene()->views() : QList<QGraphicsView*>();
        if (views.isEmpty()) break;
        top = views.first()->window();
    }
    return top;
}

// Qt hides a tooltip after a time that depends on its length; the game keeps
// every hint up for HintHidePause.
//
// Under Wayland a hint is a popup placed relative to its window, and where
// that window lies on the screen is the compositor's secret: Qt's own fit to
// the screen works from a place the window is not at, and a hint near the
// window's right edge runs off what the compositor shows. There the hint is
// kept inside its window, the one area known to be shown. It is placed just
// before it maps (the show event comes first), and again when Qt moves a
// shown hint on to the next control.
class THintFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Qt shows hints over the active window only, and a Wayland compositor
        // may keep the game's window inactive after a drag and drop (weston
        // takes the keyboard for the drag and gives it back at the next click
        // only): there the game's windows show their hints all the same.
        if (KeepInside && event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* shown = static_cast<QWidget*>(watched);
            if (shown->isWindow() && !shown->testAttribute(Qt::WA_AlwaysShowToolTips))
                shown->setAttribute(Qt::WA_AlwaysShowToolTips);
        }
        if (event->type() == QEvent::Show || event->type() == QEvent::Move) {
            if (KeepInside && !Placing && watched->objectName() == QLatin1String("qtooltip_label"))
                PlaceInside(static_cast<QWidget*>(watched));
            return false;
        }
        if (event->type() != QEvent::ToolTip) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->toolTip().isEmpty()) return false;
        auto* help = static_cast<QHelpEvent*>(event);
        Hinted = widget;
        Pointer = help->globalPos();
        QToolTip::showText(help->globalPos(), widget->toolTip(), widget, QRect(),
                           Installed.HintHidePause);
        return true;
    }

    const bool KeepInside = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));

private:
    void PlaceInside(QWidget* tip) {
        if (!Hinted) return;
        const QRect area = ShownIn(Hinted)->frameGeometry();
        const QRect place = PlaceHintInside(area, Pointer, tip->geometry());
        if (place.topLeft() == tip->pos()) return;
        Placing = true;
        if (tip->isVisible() && tip->windowHandle() && tip->windowHandle()->isExposed()) {
            // A popup that has mapped stays where it mapped: it maps anew.
            tip->hide();
            tip->move(place.topLeft());
            tip->show();
        } else {
            tip->move(place.topLeft());
        }
        Placing = false;
    }

    QPointer<QWidget> Hinted;
    QPoint Pointer;
    bool Placing = false;
};

}  // namespace

void InstallHintTimings(QApplication& app, const THintTimings& timings) {
    Installed = timings;
    app.setStyle(new THintStyle(app.style()->name()));
    app.installEventFilter(new THintFilter(&app));
}

const THintTimings& InstalledHintTimings() { return Installed; }

QRect PlaceHintInside(const QRect& area, QPoint pointer, QRect tip) {
    if (tip.right() > area.right()) tip.moveRight(pointer.x() - 3);
    if (tip.bottom() > area.bottom()) tip.moveBottom(pointer.y() - 9);
    if (tip.right() > area.right()) tip.moveRight(area.right());
    if (tip.bottom() > area.bottom()) tip.moveBottom(area.bottom());
    if (tip.left() < area.left()) tip.moveLeft(area.left());
    if (tip.top() < area.top()) tip.moveTop(area.top());
    return tip;
}
