// A bare Qt Widgets window of the game's client size at the game's place on
// the screen, and nothing else: the yardstick scripts/measure.sh sets the
// game's start-up time, CPU use and memory against. It links Qt alone.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.resize(747, 543);
    window.move(265, 146);
    window.show();
    return app.exec();
}
