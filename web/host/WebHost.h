// The browser's host: the game timers run on the one scheduler, advanced by
// the page's monotonic clock. Every wait is a loop of passes: the events the
// page queued are handled, the timers that fell due fire, the page gets the
// screen model when it changed, and the module sleeps (an asyncify sleep in
// the page's waitForEvent) until the next due tick, decoration frame or the
// end of the wait, or until the page queues an event. Waits nest as the
// desktop's event loops do: a handler run inside a wait may wait again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "BoardColours.h"
#include "Host.h"
#include "TGame.h"

enum class TWebEventKind : int {
    None = 0,
    Click = 1,
    Combo = 2,
    Speed = 3,
    DragStart = 4,
    DragOver = 5,
    DragEnd = 6,
    MouseMove = 7,
    Dialog = 8,
    PageHide = 9,
    ScoresChanged = 10,  // another tab saved S.hs
};

struct TWebEvent {
    TWebEventKind Kind = TWebEventKind::None;
    int32_t N[4] = {0, 0, 0, 0};
    std::string Text;  // UTF-8: a component's name or a dialog's text
};

class TWebHost : public THost {
public:
    TWebHost();

    TTimerScheduler& Scheduler() override { return Scheduler_; }
    void WaitMs(int ms) override;
    int64_t TickCount() override;
    double Now() override;
    uint64_t ClockSeed() override;
    void MessageBox(const std::string& text, const std::string& caption) override;
    bool InputBox(const std::string& caption, const std::string& prompt, std::string& value) override;
    void PlaySound(TWaveList list, int index) override;
    bool Terminated() override { return Terminated_; }
    void ResultsChanged() override;

    // A message box whose texts are UTF-8 already (the storage's messages).
    void MessageBoxUtf8(const std::string& text, const std::string& caption);

    // The name dialog (TForm2): shows `text` (8-bit) and waits for OK, timers
    // running meanwhile; returns the text typed, as 8-bit characters.
    std::string NameDialog(const std::string& text);

    // Runs passes until the program is ending.
    void Run();
    // The program is ending: every wait returns at once, no timer fires again.
    void Terminate() { Terminated_ = true; }

    // The game whose screen model and board the page is sent.
    TGame* Game = nullptr;
    // Handles an input event from the page (not a dialog's answer).
    std::function<void(const TWebEvent&)> OnEvent;
    std::function<void()> OnResultsChanged;
    // Runs the decoration frames due at `now` (ms of the host's clock) and
    // returns when the next is due, or -1 when none is.
    std::function<int64_t(int64_t now)> Decorate;

    // The program changed the screen model outside an event or a tick.
    void MarkChanged() { Changed_ = true; }
    // Sends the screen model and the board now if they changed since last sent.
    void SendScreen();

private:
    // Passes until `end` (-1: none) or until `done` holds or the program ends.
    void Pump(int64_t end, const std::function<bool()>& done);
    bool Dispatch(const TWebEvent& e);
    // Waits for the answer to a dialog just shown; false if the program ended first.
    bool AwaitDialog(TWebEvent& answer);

    TTimerScheduler Scheduler_;
    bool Terminated_ = false;
    bool Changed_ = true;
    std::string LastJson_;
    uint64_t LastRefresh_ = ~uint64_t{0};
    bool LastTint_ = false;
    bool BoardSent_ = false;
    TMagnifiedCells Cells_{};
    TMagnifiedCells SentCells_{};
    std::vector<uint8_t> Rgba_;

    // The open dialogs, innermost last: an answer from the page ends the innermost.
    struct TOpenDialog {
        bool Answered = false;
        TWebEvent Answer;
    };
    std::vector<TOpenDialog*> Dialogs_;
};
