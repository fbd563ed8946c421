#pragma once
// Converting pasted text in memory, line by line, with progress and a stop request that
// is honoured between lines. No header, no page, no skipping of attribute lines: just the
// coloured lines.

#include "base/ui_hooks.h"
#include "scheme/colour_scheme.h"

#include <functional>
#include <string>
#include <string_view>

namespace quillon {

struct DirectConversionOptions {
    ColourSwitches switches;
    bool optimize = true;
};

// The sample text the Direct pane starts with (20 lines, each ended by CR LF).
std::string_view directSampleText();

// Converts `text` (lines ended by CR LF, LF or a lone CR; a last line without a break is
// converted whole). For each line `emitLine` receives the coloured line without a line
// break. After each line the bar's Value is the 1-based reading position and its caption
// the percentage of the text read, as "37 %". `stopRequested` is asked before each line.
// At the end the caption reads "Ok" and the Value is 0. Returns the number of lines
// converted.
std::size_t convertDirect(std::string_view text, const DirectConversionOptions& options,
                          const ConversionContext& context, const std::function<bool()>& stopRequested,
                          const std::function<void(std::string_view)>& emitLine);

} // namespace quillon
