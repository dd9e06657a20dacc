// The title screen's star field alone, in the game's own window: the links
// and start pictures above the stars are hidden, while the title picture and
// the player bar, which hide part of the sky, stay. No game runs behind it.
// scripts/measure.sh sets the title screen's CPU against it, which tells what
// the moving stars cost from what the rest of the screen adds to them.
#include <QApplication>

#include "AgarholdU1.h"
#include "StarField.h"
#include "TGame.h"
#include "VirtualHost.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    VirtualHost host;
    TGame game(host);
    TForm1 form(game);
    form.setWindowTitle(QStringLiteral("Title stars"));
    TNcaStar* field = form.NcaStar1;
    for (QObject* o : field->parentWidget()->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && w != field && !w->testAttribute(Qt::WA_OpaquePaintEvent)) w->hide();
    }
    form.move(265, 146);
    form.show();
    return QApplication::exec();
}
