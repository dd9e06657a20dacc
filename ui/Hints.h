// Hint timing of the whole program: a hint shows 50 ms after the pointer rests
// on a control, 50 ms when moving from one hinted control to the next, and
// stays 30 seconds.
#pragma once

#include <QPoint>
#include <QRect>

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

// Where a hint of `tip`'s size, placed by the toolkit at `tip`, goes so that
// it lies wholly inside `area`: to the left of the pointer where it would
// stick out on the right, above it where it would stick out at the bottom,
// then pushed inside (a hint larger than the area starts at its top left).
QRect PlaceHintInside(const QRect& area, QPoint pointer, QRect tip);
