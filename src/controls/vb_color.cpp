#include "controls/vb_color.h"

#include "base/vb_error.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

namespace quillon {

namespace {

constexpr int InvalidPropertyValue = 380;
constexpr VbColor LastSystemIndex = 30;
constexpr VbColor UnusedSystemIndex = 25;

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Windows system colour indices (COLOR_SCROLLBAR = 0 ... COLOR_MENUBAR = 30) mapped to
// the nearest palette role.
constexpr SystemRole systemRoles[] = {
    {QPalette::Active, QPalette::Button},          // 0 scroll bars
    {QPalette::Active, QPalette::Dark},            // 1 desktop
    {QPalette::Active, QPalette::Highlight},       // 2 active title bar
    {QPalette::Active, QPalette::Mid},             // 3 inactive title bar
    {QPalette::Active, QPalette::Window},          // 4 menu bar
    {QPalette::Active, QPalette::Base},            // 5 window background
    {QPalette::Active, QPalette::WindowText},      // 6 window frame
    {QPalette::Active, QPalette::WindowText},      // 7 menu text
    {QPalette::Active, QPalette::Text},            // 8 window text
    {QPalette::Active, QPalette::HighlightedText}, // 9 title bar text
    {QPalette::Active, QPalette::Button},          // 10 active border
    {QPalette::Active, QPalette::Button},          // 11 inactive border
    {QPalette::Active, QPalette::Dark},            // 12 application workspace
    {QPalette::Active, QPalette::Highlight},       // 13 highlight
    {QPalette::Active, QPalette::HighlightedText}, // 14 highlight text
    {QPalette::Active, QPalette::Button},          // 15 button face
    {QPalette::Active, QPalette::Dark},            // 16 button shadow
    {QPalette::Disabled, QPalette::Text},          // 17 grey text
    {QPalette::Active, QPalette::ButtonText},      // 18 button text
    {QPalette::Disabled, QPalette::WindowText},    // 19 inactive title bar text
    {QPalette::Active, QPalette::Light},           // 20 button highlight
    {QPalette::Active, QPalette::Shadow},          // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},        // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},     // 23 tool tip text
    {QPalette::Active, QPalette::ToolTipBase},     // 24 tool tip background
    {QPalette::Active, QPalette::Button},          // 25 unused
    {QPalette::Active, QPalette::Link},            // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},       // 27 active title gradient
    {QPalette::Active, QPalette::Mid},             // 28 inactive title gradient
    {QPalette::Active, QPalette::Highlight},       // 29 menu highlight
    {QPalette::Active, QPalette::Window},          // 30 menu bar
};
static_assert(std::size(systemRoles) == LastSystemIndex + 1);

} // namespace

bool isValidVbColor(VbColor colour) {
    if ((colour & 0xFF000000u) == 0) {
        return true;
    }
    if ((colour & vbcolor::SystemFlag) == 0) {
        return false;
    }
    const VbColor index = colour & ~vbcolor::SystemFlag;
    return index <= LastSystemIndex && index != UnusedSystemIndex;
}

void requireValidVbColor(VbColor colour, const char* property) {
    if (!isValidVbColor(colour)) {
        raiseWithText(InvalidPropertyValue, std::string("Invalid property value: ") + property);
    }
}

QColor resolveVbColor(VbColor colour, const QPalette& palette) {
    if (!isValidVbColor(colour)) {
        return QColor(Qt::black);
    }
    if ((colour & vbcolor::SystemFlag) != 0) {
        const SystemRole& entry = systemRoles[colour & ~vbcolor::SystemFlag];
        return palette.color(entry.group, entry.role);
    }
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

} // namespace quillon

namespace quillon {

namespace {

double linearChannel(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor& colour) {
    return 0.2126 * linearChannel(colour.redF()) + 0.7152 * linearChannel(colour.greenF()) +
           0.0722 * linearChannel(colour.blueF());
}

QColor mixed(const QColor& from, const QColor& to, double share) {
    const auto channel = [share](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * share)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

} // namespace

double contrastRatio(const QColor& first, const QColor& second) {
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor readableOn(const QColor& text, const QColor& background, double minimumRatio) {
    if (contrastRatio(text, background) >= minimumRatio) {
        return text;
    }
    // Black or white always reaches 4.5 against some side, since one of them is at least
    // 4.58 from any colour; the smaller step keeps more of the chosen hue.
    constexpr int steps = 20;
    for (int step = 1; step <= steps; ++step) {
        const double share = static_cast<double>(step) / steps;
        for (const QColor& end : {QColor(Qt::black), QColor(Qt::white)}) {
            const QColor candidate = mixed(text, end, share);
            if (contrastRatio(candidate, background) >= minimumRatio) {
                return candidate;
            }
        }
    }
    return contrastRatio(Qt::black, background) >= contrastRatio(Qt::white, background) ? QColor(Qt::black)
                                                                                        : QColor(Qt::white);
}

} // namespace quillon
