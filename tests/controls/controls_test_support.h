#pragma once
// Helpers shared by the control tests: a fixed unsmoothed font so caption pixels are
// exact, and pixel access to what a widget shows.

#include "controls/vb_color.h"
#include "support/test_support.h"

#include <QImage>
#include <QWidget>

namespace quillon::test {

inline QFont plainFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

inline QImage shot(QWidget& widget) {
    return widget.grab().toImage();
}

inline QColor explicitColour(VbColor colour) {
    return resolveVbColor(colour, QPalette());
}

} // namespace quillon::test
