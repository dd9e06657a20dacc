#include "WindowFit.h"

#include <algorithm>
#include <cmath>

namespace {

// One axis of the fit. `lead` and `trail` are the frame's parts before and
// after the client; `start` and `size` the client's design place and size.
// Returns the client's place and sets `size` to what it gets.
int FitAxis(int areaStart, int areaSize, int lead, int trail, int start, int& size) {
    const int outer = size + lead + trail;
    if (outer > areaSize) {
        // Cannot fit: the frame fills the area from its start.
        size = std::max(1, areaSize - lead - trail);
        return areaStart + lead;
    }
    // Moved just enough: the frame's far edge onto the area's far edge, or
    // its near edge onto the near one; where it fits it stays.
    const int frameStart = std::clamp(start - lead, areaStart, areaStart + areaSize - outer);
    return frameStart + lead;
}

}  // namespace

QRect FitClientInArea(const QRect& area, const QMargins& frame, const QRect& design) {
    int w = design.width();
    int h = design.height();
    const int x = FitAxis(area.x(), area.width(), frame.left(), frame.right(), design.x(), w);
    const int y = FitAxis(area.y(), area.height(), frame.top(), frame.bottom(), design.y(), h);
    return QRect(x, y, w, h);
}

QMargins ExpectedFrame(double ratio) {
    if (!(ratio > 0)) ratio = 1;
    const auto logical = [ratio](int screenPixels) { return static_cast<int>(std::ceil(screenPixels / ratio)); };
    return QMargins(logical(4), logical(34), logical(4), logical(4));
}

QSize SmallestClientSize(const QRect& area, const QMargins& frame, const QSize& design) {
    return QSize(std::max(1, std::min(design.width(), area.width() - frame.left() - frame.right())),
                 std::max(1, std::min(design.height(), area.height() - frame.top() - frame.bottom())));
}

double FillFactor(const QSize& client, const QSize& design) {
    if (design.isEmpty() || client.isEmpty()) return 1.0;
    return std::min(static_cast<double>(client.width()) / design.width(),
                    static_cast<double>(client.height()) / design.height());
}

QRectF FilledRect(const QSize& client, const QSize& design) {
    const double f = FillFactor(client, design);
    const double w = design.width() * f;
    const double h = design.height() * f;
    return QRectF((client.width() - w) / 2.0, (client.height() - h) / 2.0, w, h);
}
