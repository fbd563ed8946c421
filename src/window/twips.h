#pragma once
// The layout is designed in twips (1/1440 inch) at 15 twips per pixel on a 96 dpi screen;
// it is scaled with the screen's logical dpi so it keeps its proportions everywhere.

#include <QRect>
#include <QWidget>
#include <cmath>

namespace quillon::window {

inline int twipsToPixels(int twips, double logicalDpi = 96.0) {
    return static_cast<int>(std::lround(twips * logicalDpi / 1440.0));
}

// Places `widget` at a rectangle given in twips (left, top, width, height), relative to its
// parent.
inline void placeInTwips(QWidget& widget, int left, int top, int width, int height) {
    const double dpi = widget.logicalDpiX();
    widget.setGeometry(twipsToPixels(left, dpi), twipsToPixels(top, dpi), twipsToPixels(width, dpi),
                       twipsToPixels(height, dpi));
}

} // namespace quillon::window
