#pragma once
// Helpers shared by the control tests: a fixed unsmoothed font so caption pixels are
// exact, pixel access to what a widget shows, and the errors a control raises.

#include "base/vb_error.h"
#include "controls/vb_color.h"

#include <QImage>
#include <QWidget>

#include <string>

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

// The number of the VbError `action` raises (its message into `what`), 0 when none.
template <class Action> int vbErrorOf(Action&& action, std::string* what = nullptr) {
    try {
        action();
    } catch (const VbError& error) {
        if (what != nullptr) {
            *what = error.what();
        }
        return error.number();
    }
    return 0;
}

} // namespace quillon::test
