#pragma once
// Colour references (0x00BBGGRR, or 0x80000000 plus a system colour index) and QColor.

#include <QColor>

#include <cstdint>

namespace quillon::platform {

inline constexpr std::int32_t SystemColourFlag = static_cast<std::int32_t>(0x80000000u);

// A system colour takes the matching colour of the application's palette.
QColor toQColor(std::int32_t colour);
std::int32_t fromQColor(const QColor& colour);

} // namespace quillon::platform
