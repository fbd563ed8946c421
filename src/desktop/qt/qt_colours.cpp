#include "desktop/qt/qt_colours.h"

#include <QGuiApplication>
#include <QPalette>

namespace quillon::platform {

namespace {

QColor systemColour(int index) {
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 1:  // desktop
    case 12: // application workspace
    case 15: // button face
        return palette.color(QPalette::Button);
    case 5: // window
        return palette.color(QPalette::Base);
    case 6:  // window frame
    case 21: // 3D dark shadow
        return palette.color(QPalette::Shadow);
    case 7: // menu text
    case 8: // window text
        return palette.color(QPalette::Text);
    case 9:  // caption text
    case 14: // highlighted text
        return palette.color(QPalette::HighlightedText);
    case 13: // highlight
    case 2:  // active caption
        return palette.color(QPalette::Highlight);
    case 16: // button shadow
        return palette.color(QPalette::Mid);
    case 17: // grey text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return palette.color(QPalette::ButtonText);
    case 20: // button highlight
        return palette.color(QPalette::Light);
    case 22: // 3D light
        return palette.color(QPalette::Midlight);
    case 23: // tool-tip text
        return palette.color(QPalette::ToolTipText);
    case 24: // tool-tip background
        return palette.color(QPalette::ToolTipBase);
    case 4: // menu
    default:
        return palette.color(QPalette::Window);
    }
}

} // namespace

QColor toQColor(std::int32_t colour) {
    const auto value = static_cast<std::uint32_t>(colour);
    if ((value & 0x80000000u) != 0) {
        return systemColour(static_cast<int>(value & 0xFFu));
    }
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}

std::int32_t fromQColor(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(rgb.red()) |
                                     (static_cast<std::uint32_t>(rgb.green()) << 8) |
                                     (static_cast<std::uint32_t>(rgb.blue()) << 16));
}

} // namespace quillon::platform
