// The game timers on the virtual clock: order, restarts, nesting, termination.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Timer.h"
#include "VirtualHost.h"

namespace {

struct Log {
    VirtualHost& Host;
    std::vector<std::string> Events;
    void Add(const std::string& name) { Events.push_back(name + "@" + std::to_string(Host.TickCount())); }
};

}  // namespace

// A timer fires every interval while enabled; a disabled one never fires.
TEST(GameTimers, FireEveryIntervalOnlyWhileEnabled) {
    VirtualHost host;
    Log log{host, {}};
    TTimer a(host.Scheduler(), "a", 100, true, [&] { log.Add("a"); });
    TTimer off(host.Scheduler(), "off", 10, false, [&] { log.Add("off"); });
    host.RunFor(350);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"a@100", "a@200", "a@300"}));
}

// Timers due at the same moment fire in the order they were created.
TEST(GameTimers, TiesFireInCreationOrder) {
    VirtualHost host;
    Log log{host, {}};
    TTimer first(host.Scheduler(), "first", 50, true, [&] { log.Add("first"); });
    TTimer second(host.Scheduler(), "second", 25, true, [&] { log.Add("second"); });
    host.RunFor(50);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"second@25", "first@50", "second@50"}));
}

// Changing the interval of a running timer restarts its period from that moment;
// setting the same value again changes nothing; a disabled timer only stores it.
TEST(GameTimers, IntervalChangeRestartsPeriodOnlyWhileEnabled) {
    VirtualHost host;
    Log log{host, {}};
    TTimer t(host.Scheduler(), "t", 100, true, [&] { log.Add("t"); });
    host.At(70, [&] { t.SetInterval(100); });   // same value: no restart
    host.At(150, [&] { t.SetInterval(40); });   // restart: next at 190
    host.RunFor(240);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"t@100", "t@190", "t@230"}));

    TTimer off(host.Scheduler(), "off", 10, false, [&] { log.Add("off"); });
    off.SetInterval(30);
    EXPECT_EQ(off.Interval(), 30);
    host.RunFor(100);
    for (const auto& e : log.Events) EXPECT_EQ(e.rfind("off", 0), std::string::npos) << e;
}

// Re-enabling a timer starts a full period from the moment it is switched on.
TEST(GameTimers, EnablingStartsAFullPeriod) {
    VirtualHost host;
    Log log{host, {}};
    TTimer t(host.Scheduler(), "t", 100, false, [&] { log.Add("t"); });
    host.At(30, [&] { t.SetEnabled(true); });
    host.RunFor(250);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"t@130", "t@230"}));
}

// A handler that disables its own timer on entry and enables it on exit gets its
// next tick one full interval after the handler ends, even when it waited inside.
TEST(GameTimers, SelfDisablingHandlerTicksOneIntervalAfterItEnds) {
    VirtualHost host;
    Log log{host, {}};
    TTimer* self = nullptr;
    TTimer t(host.Scheduler(), "t", 50, true, [&] {
        self->SetEnabled(false);
        log.Add("t-in");
        host.WaitMs(30);
        self->SetEnabled(true);
    });
    self = &t;
    host.RunFor(170);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"t-in@50", "t-in@130"}));
}

// A nested wait fires the other due timers in time order, but never re-enters the
// handler that is waiting.
TEST(GameTimers, NestedWaitRunsOtherTimersButNeverReentersItself) {
    VirtualHost host;
    Log log{host, {}};
    int depth = 0, maxDepth = 0;
    TTimer* self = nullptr;
    TTimer outer(host.Scheduler(), "outer", 100, true, [&] {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        log.Add("outer");
        host.WaitMs(250);
        log.Add("outer-out");
        self->SetEnabled(false);
        --depth;
    });
    self = &outer;
    TTimer fast(host.Scheduler(), "fast", 60, true, [&] { log.Add("fast"); });
    TTimer slow(host.Scheduler(), "slow", 90, true, [&] { log.Add("slow"); });
    host.RunFor(220);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(log.Events,
              (std::vector<std::string>{"fast@60", "slow@90", "outer@100", "fast@120", "fast@180",
                                        "slow@180", "fast@240", "slow@270", "fast@300",
                                        "outer-out@350"}));
}

// Once the host is terminated every wait returns at once and nothing more fires.
TEST(GameTimers, TerminatedEndsEveryWait) {
    VirtualHost host;
    Log log{host, {}};
    bool returned = false;
    TTimer ticker(host.Scheduler(), "ticker", 10, true, [&] { log.Add("ticker"); });
    host.At(5, [&] {
        host.At(35, [&] { host.Terminate(); });
        host.WaitMs(100000);
        returned = true;
    });
    host.RunFor(1000);
    EXPECT_TRUE(returned);
    EXPECT_EQ(host.TickCount(), 35);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"ticker@10", "ticker@20", "ticker@30"}));
}

// RunUntil stops as soon as the condition holds, at the time of the event that made it true.
TEST(GameTimers, RunUntilStopsAtTheEventThatSatisfiesIt) {
    VirtualHost host;
    int count = 0;
    TTimer t(host.Scheduler(), "t", 40, true, [&] { ++count; });
    EXPECT_TRUE(host.RunUntil([&] { return count == 3; }, 10000));
    EXPECT_EQ(host.TickCount(), 120);
    EXPECT_FALSE(host.RunUntil([&] { return count == 100; }, 100));
    EXPECT_EQ(host.TickCount(), 220);
}
