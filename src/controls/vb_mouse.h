#pragma once
// Mouse arguments in the form the controls' events carry them: Button as the bit mask
// 1 left, 2 right, 4 middle; Shift as 1 Shift, 2 Ctrl, 4 Alt.

#include <Qt>

namespace quillon {

inline short vbButtons(Qt::MouseButtons buttons) {
    short result = 0;
    if (buttons & Qt::LeftButton) {
        result |= 1;
    }
    if (buttons & Qt::RightButton) {
        result |= 2;
    }
    if (buttons & Qt::MiddleButton) {
        result |= 4;
    }
    return result;
}

inline short vbButton(Qt::MouseButton button) {
    return vbButtons(Qt::MouseButtons(button));
}

inline short vbShift(Qt::KeyboardModifiers modifiers) {
    short result = 0;
    if (modifiers & Qt::ShiftModifier) {
        result |= 1;
    }
    if (modifiers & Qt::ControlModifier) {
        result |= 2;
    }
    if (modifiers & Qt::AltModifier) {
        result |= 4;
    }
    return result;
}

} // namespace quillon
