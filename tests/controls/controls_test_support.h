#pragma once
// Helpers shared by the control tests: a fixed unsmoothed font so caption pixels are
// exact, pixel access to what a widget shows, and the events and errors a control raises.

#include "base/vb_error.h"
#include "controls/property_bag.h"
#include "controls/vb_color.h"

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

// Appends each mouse event of `control` to `events` as "MouseDown Button Shift X,Y".
template <class Control> void recordMouse(Control& control, std::vector<std::string>& events) {
    using Signal = void (Control::*)(short, short, float, float);
    const std::pair<Signal, const char*> mouseSignals[] = {{&Control::MouseDown, "MouseDown"},
                                                           {&Control::MouseMove, "MouseMove"},
                                                           {&Control::MouseUp, "MouseUp"}};
    for (const auto& [signal, name] : mouseSignals) {
        QObject::connect(&control, signal, [&events, name](short b, short s, float x, float y) {
            events.push_back(
                QStringLiteral("%1 %2 %3 %4,%5").arg(name).arg(b).arg(s).arg(x).arg(y).toStdString());
        });
    }
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

template <class Control> PropertyBag saved(const Control& control) {
    PropertyBag bag;
    control.writeProperties(bag);
    return bag;
}

// Loads `bag` into `copy` and expects it to save the very same entries again.
template <class Control> void expectLoadsBack(const PropertyBag& bag, Control& copy) {
    copy.readProperties(bag);
    const PropertyBag again = saved(copy);
    EXPECT_EQ(again.names(), bag.names());
    for (const QString& name : bag.names()) {
        EXPECT_EQ(again.value(name), bag.value(name)) << name.toStdString();
    }
}

} // namespace quillon::test
