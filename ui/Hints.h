// Hint timing of the whole program: a hint shows 50 ms after the pointer rests
// on a control, 50 ms when moving from one hinted control to the next, and
// stays 30 seconds.
#pragma once

class QApplication;

struct THintTimings {
    int HintPause = 50;
    int HintShortPause = 50;
    int HintHidePause = 30000;
};

// Installs the timings on the application (a style for the delays, an event
// filter that shows every tooltip for HintHidePause). Call once.
void InstallHintTimings(QApplication& app, const THintTimings& timings);
// The timings installed, for tests.
const THintTimings& InstalledHintTimings();
