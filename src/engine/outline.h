#pragma once
// The outline of a Visual Basic source: its procedures and declarations in the order they
// are written, each with the line that starts it and an anchor name for a page to link to.

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct OutlineEntry {
    // "Sub", "Function", "Property Get", "Property Let", "Property Set", "Event",
    // "Declare", "Type", "Enum".
    std::string kind;
    // "Public", "Private", "Friend", "Global", or empty when the source gives none.
    std::string scope;
    std::string name;
    // 1-based, counted over every line of the source.
    long line = 0;
    // Unique within the outline, never of the form "L<digits>" that line anchors take.
    std::string anchor;
};

// The entries of the source's lines (as read, no line breaks).
std::vector<OutlineEntry> outlineOf(const std::vector<std::string>& lines);

} // namespace quillon
