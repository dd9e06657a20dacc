// Everything the rules need from the platform. The window provides one
// implementation (Qt event loop, dialogs, sound), the tests and the headless
// simulator another (VirtualHost: a virtual clock and scripted answers).
#pragma once

#include <cstdint>
#include <string>

#include "Timer.h"

// The three wave lists of the game.
enum class TWaveList : uint8_t { P1wav = 0, P2wav = 1, Mwav = 2 };

class THost {
public:
    virtual ~THost() = default;

    // The scheduler that runs the game timers on this host's clock.
    virtual TTimerScheduler& Scheduler() = 0;

    // Returns after `ms` milliseconds of the host's clock; meanwhile game
    // timers fire and the window stays alive. Returns at once when Terminated.
    virtual void WaitMs(int ms) = 0;

    // Millisecond tick counter of the host.
    virtual int64_t TickCount() = 0;
    // Local date and time as days since 1899-12-30 with the time of day as fraction.
    virtual double Now() = 0;
    // A seed taken from the host's clock (match setup re-seeds from it).
    virtual uint64_t ClockSeed() = 0;

    // Modal message box with one OK button.
    virtual void MessageBox(const std::string& text, const std::string& caption) = 0;
    // Modal text input; returns false when cancelled. `value` holds the preset
    // on entry and the typed text on a true return.
    virtual bool InputBox(const std::string& caption, const std::string& prompt,
                          std::string& value) = 0;

    // Plays sound `index` of a wave list; one sound at a time in the whole program.
    virtual void PlaySound(TWaveList list, int index) = 0;

    // True once the program is ending: every waiting loop stops.
    virtual bool Terminated() = 0;

    // The highscore tables or the player's rating changed: a host that keeps
    // them on disk writes them now, so a result survives a crash.
    virtual void ResultsChanged() {}
};
