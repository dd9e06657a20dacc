// A host on a virtual clock: game timers fire in time order (ties in the order
// the timers were created), nested waits included, dialogs are answered from a
// script and sounds are recorded. A match of minutes runs in milliseconds and
// gives the same result for the same seed.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Host.h"

class VirtualHost : public THost {
public:
    VirtualHost();

    struct TSound {
        int64_t Time;
        TWaveList List;
        int Index;
    };
    struct TMessage {
        std::string Text;
        std::string Caption;
    };
    struct TInputAnswer {
        bool Ok = true;
        std::string Text;
    };

    // ---- THost ----
    TTimerScheduler& Scheduler() override { return Scheduler_; }
    void WaitMs(int ms) override;
    int64_t TickCount() override { return Clock_; }
    double Now() override { return StartDate + static_cast<double>(Clock_) / 86400000.0; }
    uint64_t ClockSeed() override { return Seed++; }
    void MessageBox(const std::string& text, const std::string& caption) override;
    bool InputBox(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
    void PlaySound(TWaveList list, int index) override;
    bool Terminated() override { return Terminated_; }
    void ResultsChanged() override { ++ResultsChangedCount; }

    // ---- Driving the clock from a test ----
    // Runs timers and scheduled actions for `ms` milliseconds of virtual time.
    void RunFor(int64_t ms);
    // Runs until `done()` holds (checked after every event) or `limitMs` have
    // passed; returns whether it holds.
    bool RunUntil(const std::function<bool()>& done, int64_t limitMs);
    // An action at an absolute virtual time (runs between timer ticks, like a
    // mouse event, in time order with them).
    void At(int64_t time, std::function<void()> action);
    // Called after every event the host dispatches (timer tick or action), and
    // in every pass of a wait: a scripted player can react to the screen here.
    std::function<void()> OnEvent;

    void Terminate() { Terminated_ = true; }

    // What happened.
    std::vector<TSound> Sounds;
    std::vector<TMessage> Messages;
    std::vector<std::string> InputCaptions;
    std::deque<TInputAnswer> InputAnswers;  // answered in order; when empty: OK, preset kept
    int ResultsChangedCount = 0;

    uint64_t Seed = 1;               // the next clock seed handed to the game
    double StartDate = 46000.5;     // 2025-12-09 12:00 in days since 1899-12-30

private:
    // Advances to `target`, dispatching everything due before it. Stops early
    // when terminated or, if `done` is given, once it holds.
    bool Advance(int64_t target, const std::function<bool()>* done);

    struct TAction {
        int64_t Time;
        uint64_t Order;
        std::function<void()> Run;
    };
    TTimerScheduler Scheduler_;
    int64_t Clock_ = 0;
    bool Terminated_ = false;
    std::vector<TAction> Actions_;
    uint64_t ActionOrder_ = 0;
};
