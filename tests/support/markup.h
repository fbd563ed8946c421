#pragma once
// Reading coloured markup back, and the fast colouriser into a plain string.

#include "engine/colorise.h"
#include "scheme/colour_scheme.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillon::test {

// What a browser shows of coloured markup: the class tags removed and "&amp;", "&lt;" and
// "&gt;" decoded. Nothing when the markup holds anything else that HTML would read as
// markup (a stray "<", ">" or "&", a tag of another form, tags nested or left open).
std::optional<std::string> visibleText(std::string_view markup);

// One line through the single-pass colouriser, a fresh one or one that served other lines.
std::string colourLine(std::string_view line, const ColourSwitches& switches, bool optimize);
std::string colourLine(LineColouriser& colouriser, std::string_view line);

} // namespace quillon::test
