// The title screen's option links and the game-speed slider.
#include "TGame.h"

std::string TGame::GameModeCaption(int32_t mode) {
    return "Game mode : Best after " + std::to_string(mode) + " Game(s)\r\n" +
           (mode == 1 ? "System : High Score attack" : "System : Rank Rating attack");
}

void TGame::URLtransparantLabel1Click() {
    ++GameMode;
    if (GameMode > 2) GameMode = 1;
    Screen.URLtransparantLabel1.Caption = GameModeCaption(GameMode);
}

void TGame::URLtransparantLabel2Click() {
    WakeRestingTimers();  // the rating decides what the computer can still do
    AIRating += 300;
    if (AIRating > 2800) AIRating = 1000;
    Screen.URLtransparantLabel2.Caption = "Set Rating : AI Rating = " + std::to_string(AIRating);
}

void TGame::RxSlider1Change(int value) {
    // The slider runs from 25 to 500 ms; the step timer takes the value at once.
    if (value < 25) value = 25;
    if (value > 500) value = 500;
    WakeRestingTimers();  // the computer's interval follows the step timer's
    DIBTimer1.SetInterval(value);
}
