#pragma once
// Helpers shared by the control tests: a fixed unsmoothed font so caption pixels are
// exact, and pixel access to what a widget shows.

#include "controls/vb_color.h"

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QImage>
#include <QMouseEvent>
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

// Sends a mouse event with exactly these buttons and a fractional position, which the
// QTest helpers cannot express (hover moves, fractions).
inline void sendMouse(QWidget& widget, QEvent::Type type, QPointF at, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, at, widget.mapToGlobal(at), button, buttons, modifiers);
    QCoreApplication::sendEvent(&widget, &event);
}

} // namespace quillon::test
