#pragma once
// Colours as the controls store and persist them: a 32-bit Windows colour reference.
// 0x00BBGGRR is an explicit colour; 0x80000000 plus an index names a system colour, which
// we take from the widget's palette so the controls follow the desktop theme.

#include <QColor>
#include <QPalette>
#include <QtGlobal>

namespace quillon {

using VbColor = quint32;

namespace vbcolor {
inline constexpr VbColor SystemFlag = 0x80000000u;
inline constexpr VbColor WindowBackground = SystemFlag | 0x05;
inline constexpr VbColor WindowFrame = SystemFlag | 0x06;
inline constexpr VbColor ButtonFace = SystemFlag | 0x0F;
inline constexpr VbColor ButtonShadow = SystemFlag | 0x10;
inline constexpr VbColor ButtonText = SystemFlag | 0x12;
inline constexpr VbColor ButtonHighlight = SystemFlag | 0x14;
inline constexpr VbColor DarkShadow3D = SystemFlag | 0x15;
inline constexpr VbColor Light3D = SystemFlag | 0x16;
} // namespace vbcolor

// The explicit colour with these components, as 0x00BBGGRR.
constexpr VbColor vbRgb(int red, int green, int blue) {
    return static_cast<VbColor>(red & 0xFF) | (static_cast<VbColor>(green & 0xFF) << 8) |
           (static_cast<VbColor>(blue & 0xFF) << 16);
}

// True for an explicit colour (top byte 0) and for a system colour index Windows knows
// (0 to 30, except the unused 25).
bool isValidVbColor(VbColor colour);

// Raises error 380 "Invalid property value" for a colour that isValidVbColor refuses;
// `property` names the property in the message.
void requireValidVbColor(VbColor colour, const char* property);

// The colour to paint with. System colours come from the palette's active group, so a
// disabled control keeps its look; an invalid value paints black rather than failing.
QColor resolveVbColor(VbColor colour, const QPalette& palette);

} // namespace quillon

namespace quillon {

// The contrast ratio of two colours as the web's accessibility guidelines define it, from 1
// (the same) to 21 (black on white).
double contrastRatio(const QColor& first, const QColor& second);

// `text` itself when it reads on `background` with at least `minimumRatio`; otherwise the
// nearest shade of it (mixed towards black or white, whichever needs less) that does.
QColor readableOn(const QColor& text, const QColor& background, double minimumRatio = 4.5);

} // namespace quillon
