#include "Hints.h"

#include <QApplication>
#include <QHelpEvent>
#include <QProxyStyle>
#include <QToolTip>
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

// Qt hides a tooltip after a time that depends on its length; the game keeps
// every hint up for HintHidePause.
class THintFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->toolTip().isEmpty()) return false;
        auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), widget->toolTip(), widget, QRect(),
                           Installed.HintHidePause);
        return true;
    }
};

}  // namespace

void InstallHintTimings(QApplication& app, const THintTimings& timings) {
    Installed = timings;
    app.setStyle(new THintStyle(app.style()->name()));
    app.installEventFilter(new THintFilter(&app));
}

const THintTimings& InstalledHintTimings() { return Installed; }
