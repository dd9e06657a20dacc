// The global-injection chooser's "Done" and the human's two weapon buttons.
#include "TGame.h"

namespace {

// The button label of a kind: the word in parentheses of its chooser text.
std::string ButtonLabel(int kind) {
    if (kind < 1 || kind > 5) return {};
    return TextBetween(GlobalInjectionNames[kind - 1], '(', ')');
}

}  // namespace

void TGame::dxButton1Click() {
    InjectionChoiceDone = true;
    GlobalInjection[1][1] = static_cast<uint8_t>(Screen.ComboBox1.ItemIndex + 1);
    GlobalInjection[1][2] = static_cast<uint8_t>(Screen.ComboBox2.ItemIndex + 1);
    Screen.RxLabel10.Caption = ButtonLabel(Screen.ComboBox1.ItemIndex + 1);
    Screen.RxLabel11.Caption = ButtonLabel(Screen.ComboBox2.ItemIndex + 1);
}

// A button fires once per game; a spent one (opacity 10) does nothing more.
void TGame::DIBImage6Click() {
    WakeRestingTimers();  // a weapon changes the board
    if (Screen.DIBImage6.Opacity > 10) {
        Screen.LBL_Action.Caption = "Player executed a global injection";
        FireGlobalInjection(1, GlobalInjection[1][1]);
    }
    Screen.DIBImage6.Opacity = 10;
}

void TGame::DIBImage7Click() {
    WakeRestingTimers();
    if (Screen.DIBImage7.Opacity > 10) {
        Screen.LBL_Action.Caption = "Player executed a global injection";
        FireGlobalInjection(1, GlobalInjection[1][2]);
    }
    Screen.DIBImage7.Opacity = 10;
}
