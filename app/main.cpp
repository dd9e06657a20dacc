// Agarhold: two bacteria colonies fight over a culture grid.
#include <QApplication>
#include <QIcon>

#include "Program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Agarhold"));
    // The desktop entry's name and the icon it names: task bars and docks match
    // the window to the entry through the one and show the other.
    QApplication::setDesktopFileName(QStringLiteral("agarhold"));
    Q_INIT_RESOURCE(assets);  // the icon lives with the other assets in the ui library
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/agarhold-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    TProgram program;
    program.Show();
    if (program.Host.Terminated()) return 0;
    return QApplication::exec();
}
