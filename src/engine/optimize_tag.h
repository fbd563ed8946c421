#pragma once
// The tag optimiser: makes coloured markup smaller by merging two neighbouring tags of the
// same class separated by nothing or by spaces only, so that "End" and "If" become one
// k-tagged "End If". Merging goes by pairs: a merged tag is never merged again. A gap of
// more than 42 spaces is written as exactly 42.

#include <string>
#include <string_view>

namespace quillon {

inline constexpr std::size_t MaxMergedSpaces = 42;

std::string OptimizeTag(std::string_view text);
void appendOptimized(std::string& out, std::string_view text);

} // namespace quillon
