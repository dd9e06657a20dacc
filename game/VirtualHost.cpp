#include "VirtualHost.h"

#include <algorithm>
#include <utility>

VirtualHost::VirtualHost() {
    Scheduler_.Clock = [this] { return Clock_; };
}

void VirtualHost::WaitMs(int ms) {
    if (ms < 0) ms = 0;
    Advance(Clock_ + ms, nullptr);
}

void VirtualHost::RunFor(int64_t ms) { Advance(Clock_ + ms, nullptr); }

bool VirtualHost::RunUntil(const std::function<bool()>& done, int64_t limitMs) {
    if (done()) return true;
    return Advance(Clock_ + limitMs, &done);
}

void VirtualHost::At(int64_t time, std::function<void()> action) {
    Actions_.push_back({time, ActionOrder_++, std::move(action)});
}

bool VirtualHost::Advance(int64_t target, const std::function<bool()>* done) {
    while (!Terminated_) {
        if (OnEvent) OnEvent();
        if (done && (*done)()) return true;

        // The earliest scheduled action up to the target, in the order added.
        auto action = Actions_.end();
        for (auto it = Actions_.begin(); it != Actions_.end(); ++it) {
            if (it->Time > target) continue;
            if (action == Actions_.end() || it->Time < action->Time ||
                (it->Time == action->Time && it->Order < action->Order))
                action = it;
        }
        int64_t timerDue = Scheduler_.NextDue();
        const bool timerDueInTime = timerDue >= 0 && timerDue <= target;
        if (action == Actions_.end() && !timerDueInTime) {
            Clock_ = std::max(Clock_, target);
            break;
        }
        // At equal times an action (a mouse event) comes before a timer tick.
        if (action != Actions_.end() && (!timerDueInTime || action->Time <= timerDue)) {
            Clock_ = std::max(Clock_, action->Time);
            std::function<void()> run = std::move(action->Run);
            Actions_.erase(action);
            run();
        } else {
            Clock_ = std::max(Clock_, timerDue);
            Scheduler_.FireOneDue(Clock_);
        }
    }
    return done && (*done)();
}

void VirtualHost::MessageBox(const std::string& text, const std::string& caption) {
    Messages.push_back({text, caption});
}

bool VirtualHost::InputBox(const std::string& caption, const std::string&, std::string& value) {
    InputCaptions.push_back(caption);
    if (InputAnswers.empty()) return true;
    TInputAnswer a = InputAnswers.front();
    InputAnswers.pop_front();
    if (!a.Ok) return false;
    value = a.Text;
    return true;
}

void VirtualHost::PlaySound(TWaveList list, int index) {
    Sounds.push_back({Clock_, list, index});
}
