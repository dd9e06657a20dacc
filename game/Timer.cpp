#include "Timer.h"

#include <utility>

TTimer::TTimer(TTimerScheduler& scheduler, std::string name, int interval, bool enabled,
               std::function<void()> handler)
    : Scheduler_(scheduler), Name_(std::move(name)), Interval_(interval), Enabled_(false),
      Handler_(std::move(handler)) {
    Scheduler_.Add(this);
    SetEnabled(enabled);
}

void TTimer::SetInterval(int ms) {
    if (ms == Interval_) return;
    Interval_ = ms;
    if (Enabled_) {
        DueAt_ = Scheduler_.Now() + Interval_;
        Scheduler_.Changed();
    }
}

void TTimer::SetEnabled(bool on) {
    if (on == Enabled_) return;
    Enabled_ = on;
    Resting_ = false;
    if (on) DueAt_ = Scheduler_.Now() + Interval_;
    Scheduler_.Changed();
}

void TTimer::Rest() {
    if (!Enabled_ || Resting_) return;
    Resting_ = true;
    Scheduler_.Changed();
}

int64_t TTimer::Wake() {
    if (!Resting_) return 0;
    Resting_ = false;
    int64_t slept = 0;
    const int64_t now = Scheduler_.Now();
    if (Interval_ > 0 && DueAt_ < now) {
        // The ticks at DueAt_, DueAt_ + Interval_, ... before now; the period
        // stays where it was, so the ticks to come fall where they would have.
        slept = (now - DueAt_ + Interval_ - 1) / Interval_;
        DueAt_ += slept * Interval_;
    }
    Scheduler_.Changed();
    return slept;
}

int64_t TTimerScheduler::NextDue() const {
    int64_t best = -1;
    for (const TTimer* t : Timers_) {
        if (!t->Enabled_ || t->Resting_ || t->Running_ || t->Interval_ <= 0) continue;
        if (best < 0 || t->DueAt_ < best) best = t->DueAt_;
    }
    return best;
}

bool TTimerScheduler::FireOneDue(int64_t now) {
    TTimer* due = nullptr;
    for (TTimer* t : Timers_) {
        if (!t->Enabled_ || t->Resting_ || t->Running_ || t->Interval_ <= 0 || t->DueAt_ > now) continue;
        if (!due || t->DueAt_ < due->DueAt_) due = t;
    }
    if (!due) return false;
    // The next period counts from this tick; a handler that changes its own
    // interval or switches itself off and on restarts it from that moment.
    due->DueAt_ = due->DueAt_ + due->Interval_;
    if (due->DueAt_ <= now) due->DueAt_ = now + due->Interval_;  // a late tick does not fire twice
    due->Running_ = true;
    if (due->Handler_) due->Handler_();
    due->Running_ = false;
    Changed();
    return true;
}
