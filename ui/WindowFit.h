// Where the main window opens and how far it may shrink: at its design place
// wherever the whole window, frame included, fits the screen's available area
// there; otherwise moved just enough to fit; and where it cannot fit at all,
// as large as the area allows.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

// `area` is the screen's available area, `frame` the window frame's margins
// around the client area (zero while the window manager has not told them),
// `design` the client area's design place and size. Returns the client area's
// place and size. All in the same (logical) pixels.
QRect FitClientInArea(const QRect& area, const QMargins& frame, const QRect& design);

// The smallest client area the window may be given: the design size, unless
// the area cannot hold it, then as much as the area holds.
QSize SmallestClientSize(const QRect& area, const QMargins& frame, const QSize& design);

// The uniform factor by which a design-size client area is shown in a client
// of `client` pixels: the largest that fits both ways.
double FillFactor(const QSize& client, const QSize& design);

// Where the design-size client area lies, scaled by FillFactor and centred,
// inside a client of `client` pixels.
QRectF FilledRect(const QSize& client, const QSize& design);
