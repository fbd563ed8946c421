#pragma once
// The outline of a Visual Basic source: its procedures and declarations in the order they
// are written, each with the line that starts it and an anchor name for a page to link to.

#include <map>
#include <set>
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

// The outline of a source read line by line, without holding its lines.
class OutlineBuilder {
public:
    // The next line, as read (no line break).
    void add(std::string_view line);
    // Every line of `text`, which ends at CR LF, LF or a lone CR as a file's lines do (a
    // final line break adds no empty line). Returns the length of the longest line.
    std::size_t addText(std::string_view text);
    long lines() const { return lines_; }
    std::vector<OutlineEntry> take() { return std::move(entries_); }

private:
    std::vector<OutlineEntry> entries_;
    std::set<std::string> anchors_;
    // By name (in lower case): the number its next repetition tries first.
    std::map<std::string, int> nextNumber_;
    long lines_ = 0;
    bool continued_ = false;
};

// The entries of the source's lines (as read, no line breaks).
std::vector<OutlineEntry> outlineOf(const std::vector<std::string>& lines);

} // namespace quillon
