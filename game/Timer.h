// Game timers and the one scheduler that runs them.
//
// A game timer is game state: its interval, whether it is enabled and its
// handler belong to TGame. The scheduler decides when each one fires. Both
// hosts (the virtual clock of the tests and the Qt event loop of the window)
// drive the same scheduler, so the order in which timers fire never depends
// on the platform.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TTimerScheduler;

class TTimer {
public:
    TTimer(TTimerScheduler& scheduler, std::string name, int interval, bool enabled,
           std::function<void()> handler);
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    int Interval() const { return Interval_; }
    bool Enabled() const { return Enabled_; }
    const std::string& Name() const { return Name_; }

    // Changing the interval or switching the timer on restarts its period;
    // while it is off a new interval is only stored.
    void SetInterval(int ms);
    void SetEnabled(bool on);

    // A resting timer keeps its period but does not fire, and the host is not
    // woken for it: its owner rests it where its ticks would change nothing
    // anyone can see, and wakes it before anything its ticks read can change
    // (its interval included). Wake() returns the ticks it slept through, those
    // due before now; a tick due at this very moment still fires, after the
    // event that woke it, as it would have. Switching the timer off ends a rest.
    void Rest();
    int64_t Wake();
    bool Resting() const { return Resting_; }

private:
    friend class TTimerScheduler;
    TTimerScheduler& Scheduler_;
    std::string Name_;
    int Interval_;
    bool Enabled_;
    bool Running_ = false;   // inside its own handler: never re-entered
    bool Resting_ = false;
    int64_t DueAt_ = 0;      // host milliseconds of the next tick while enabled
    std::function<void()> Handler_;
};

class TTimerScheduler {
public:
    // The host's millisecond clock; the scheduler only ever compares its values.
    std::function<int64_t()> Clock;
    // Called whenever the next due time may have changed (the Qt host re-arms
    // its one QTimer here).
    std::function<void()> OnChange;

    int64_t Now() const { return Clock ? Clock() : 0; }

    // The earliest due time of an enabled timer that is neither resting nor
    // inside its own handler, or -1 when there is none.
    int64_t NextDue() const;

    // Fires the earliest timer due at or before `now` (ties in the order the
    // timers were created). Returns false when none was due.
    bool FireOneDue(int64_t now);

    const std::vector<TTimer*>& Timers() const { return Timers_; }

private:
    friend class TTimer;
    void Add(TTimer* t) { Timers_.push_back(t); }
    void Changed() { if (OnChange) OnChange(); }
    std::vector<TTimer*> Timers_;
};
