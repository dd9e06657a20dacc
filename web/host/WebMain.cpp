// The browser game's entry: the page loads the module and main() runs the
// program until "EXIT GAME".
#include "WebProgram.h"

int main() {
    // The game is far larger than the stack: it lives in static storage.
    static TWebProgram program;
    program.Main();
    return 0;
}
