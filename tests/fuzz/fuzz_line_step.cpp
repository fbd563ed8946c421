// The line step and the optimiser on arbitrary lines: the single-pass code must give the
// bytes of the literal rules, and stripping the class tags must give back the escaped line.

#include "engine/colorise.h"
#include "engine/direct_conversion.h"
#include "engine/optimize_tag.h"
#include "fuzz_support.h"
#include "support/literal_colouriser.h"

namespace {

std::string stripTags(std::string_view markup) {
    std::string out;
    for (std::size_t i = 0; i < markup.size();) {
        if (markup.substr(i, 9) == "<a class=" && i + 11 <= markup.size()) {
            i += 11;
        } else if (markup.substr(i, 4) == "</a>") {
            i += 4;
        } else {
            out += markup[i++];
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    if (size == 0 || size > 4096) {
        return 0;
    }
    const unsigned flags = data[0];
    const ColourSwitches switches{(flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0, (flags & 8) != 0,
                                  (flags & 16) != 0};
    std::string line(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (char& c : line) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    const std::string coloured = colourLine(line, switches);
    const std::string expected = literal::lineStep(line, switches);
    if (coloured != expected) {
        fuzz::fail("single pass differs from the literal rules", line);
    }
    if (stripTags(coloured) != escapeLine(line)) {
        fuzz::fail("characters lost or added by colouring", line);
    }
    const std::string optimized = OptimizeTag(coloured);
    if (optimized != literal::OptimizeTag(coloured)) {
        fuzz::fail("optimiser differs from the literal rules", coloured);
    }
    // The page writer and the Direct pane colour and merge in one go.
    std::string fused;
    appendConvertedLine(fused, line, DirectConversionOptions{switches, true});
    if (fused != optimized) {
        fuzz::fail("colouring and merging in one go differs from doing it in turn", line);
    }
    if (coloured.find(std::string(MaxMergedSpaces + 1, ' ')) == std::string::npos &&
        stripTags(optimized) != escapeLine(line)) {
        fuzz::fail("characters lost or added by optimising", coloured);
    }
    return 0;
}
