// Agarhold: two bacteria colonies fight over a culture grid.
#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fontconfig/fontconfig.h>
#include <fcntl.h>
#include <memory>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "Program.h"

namespace {

// The signals a desktop sends when the session ends, and Ctrl+C in a terminal.
// The handler only writes the signal's number into a pipe; the event loop reads
// it and ends the program there, between two events, so a save that runs when
// the signal comes is finished first and never left half-written.
int EndSignalPipe[2] = {-1, -1};

extern "C" void OnEndSignal(int sig) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t written = write(EndSignalPipe[1], &number, 1);
    errno = saved;
}

bool CatchEndSignals() {
    if (pipe2(EndSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    // A write or fsync of a save goes on after the handler, instead of failing.
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        // A signal the caller chose to ignore (nohup, a script's background
        // job) stays ignored.
        struct sigaction before {};
        if (sigaction(sig, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(sig, &action, nullptr);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything is saved: the first start writes the highscore file.
    const bool catching = CatchEndSignals();
    // Reading the font configuration and the font caches takes milliseconds
    // that the title screen's first frame, the first with text, would wait
    // for: it runs beside Qt's own set-up. Fontconfig keeps what it read for
    // the whole process, and Qt finds it there.
    std::thread fonts;
    try {
        fonts = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to spare: Qt reads the configuration itself when it needs it.
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Agarhold"));
    // The desktop entry's name and the icon it names: task bars and docks match
    // the window to the entry through the one and show the other.
    QApplication::setDesktopFileName(QStringLiteral("agarhold"));
    Q_INIT_RESOURCE(assets);  // the icon lives with the other assets in the ui library
    QIcon icon;
    // The sizes window managers draw in title bars and switchers; menus,
    // docks and Wayland take the desktop entry's icon from the theme.
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/agarhold-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    if (fonts.joinable()) fonts.join();
    TProgram program;
    // A signal that came during start-up waits in the pipe: the first event
    // loop (the name dialog's) reads it.
    std::unique_ptr<QSocketNotifier> endSignal;
    if (catching) {
        endSignal = std::make_unique<QSocketNotifier>(EndSignalPipe[0], QSocketNotifier::Read);
        QObject::connect(endSignal.get(), &QSocketNotifier::activated, &program.Host, [&program] {
            unsigned char number = 0;
            while (read(EndSignalPipe[0], &number, 1) == 1) {
            }
            program.EndBySignal();
        });
    }
    program.Show();
    if (program.Host.Terminated()) return 0;
    return QApplication::exec();
}
