// Where the main window opens and how far it may shrink: at its design place
// wherever the whole window, frame included, fits the screen's available area
// there; otherwise moved just enough to fit; and where it cannot fit at all,
// as large as the area allows.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

// `area` is the screen's available area, `frame` the window frame's margins
// around the client area, `design` the client area's design place and size.
// Returns the client area's place and size. All in the same (logical) pixels.
QRect FitClientInArea(const QRect& area, const QMargins& frame, const QRect& design);

// The frame a window is fitted with before the window manager has told its
// own, which it does only after the window shows (and later still on a busy
// desktop): as large as the usual desktops' frames, a title bar of up to 34
// screen pixels and borders of up to 4, in logical pixels at `ratio` screen
// pixels to a logical one. A window placed with it fits with any of those
// frames from the moment it shows.
QMargins ExpectedFrame(double ratio);

// The smallest client area the window may be given: the design size, unless
// the area cannot hold it, then as much as the area holds.
QSize SmallestClientSize(const QRect& area, const QMargins& frame, const QSize& design);

// The uniform factor by which a design-size client area is shown in a client
// of `client` pixels: the largest that fits both ways.
double FillFactor(const QSize& client, const QSize& design);

// Where the design-size client area lies, scaled by FillFactor and centred,
// inside a client of `client` pixels.
QRectF FilledRect(const QSize& client, const QSize& design);
