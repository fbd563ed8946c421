#pragma once
// How the window's controls look and are named. The design calls for Windows fonts that
// Linux does not have; they are mapped to installed look-alikes so the layout, measured in
// twips for those fonts, still fits. Every control carries its design name as objectName
// (and its index in a control group as the property "vbIndex"), which is how the language
// files find it.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

class QLabel;
class QObject;
class QToolButton;
class QWidget;

namespace quillon::window {

// The property that holds a control's index within its group (SwitchButton 0 to 3).
inline constexpr char VbIndexProperty[] = "vbIndex";

// Maps "MS Sans Serif" and "Courier New" to installed families. Safe to call again.
void installDesignFonts();

// The controls' font: "MS Sans Serif" at 8.25 points (through its look-alike).
QFont designFont();

// One of the window's icons (":/icons/NAME.png", with its "@2x" twin for dense screens).
QIcon projectIcon(const QString& name);
// The program's own icon in all its sizes.
QIcon programIcon();

// Names a control; `index` >= 0 makes it member `index` of the group `name`.
void nameControl(QObject& control, const char* name, int index = -1);

// A small button that shows an icon and no caption, with a tool tip.
QToolButton* makePictureButton(QWidget* parent, const char* name, const QString& iconName,
                               const QString& toolTip);

// The colours of a link label: blue as designed, purple under the mouse.
inline const QColor LinkColour(0, 0, 255);
inline const QColor LinkHoverColour(128, 0, 128);
// Behind the link the keyboard is on.
inline const QColor LinkFocusBackground(204, 232, 255);

// A label drawn as a link: blue, underlined, with the hand pointer.
QLabel* makeLinkLabel(QWidget* parent, const char* name, const QString& text);

} // namespace quillon::window
