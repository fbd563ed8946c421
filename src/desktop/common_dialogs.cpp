#include "desktop/common_dialogs.h"

#include <array>
#include <charconv>
#include <cmath>

namespace quillon::platform {

std::string fontSizeText(double points) {
    if (!std::isfinite(points) || points <= 0) {
        return "0";
    }
    // Sizes are single-precision in the dialogs, so 8.25 must not come out as 8.2500000001.
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      static_cast<float>(points), std::chars_format::fixed);
    return std::string(buffer.data(), result.ptr);
}

} // namespace quillon::platform
