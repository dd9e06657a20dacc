// Agarhold: two bacteria colonies fight over a culture grid.
#include <QApplication>

#include "Program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Agarhold"));
    TProgram program;
    program.Show();
    if (program.Host.Terminated()) return 0;
    return QApplication::exec();
}
