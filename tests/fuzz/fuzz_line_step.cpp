// The line step on arbitrary lines: the single-pass code must give the bytes of the
// literal rules, and the coloured line must read back as the source.

#include "engine/colorise.h"
#include "fuzz_support.h"
#include "support/literal_colouriser.h"
#include "support/markup.h"

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
    const std::string expected = literal::lineStep(line, switches);
    if (test::colourLine(line, switches, false) != expected) {
        fuzz::fail("single pass differs from the literal rules", line);
    }
    if (test::visibleText(expected) != line) {
        fuzz::fail("the coloured line does not show the source", line);
    }
    const std::string optimized = test::colourLine(line, switches, true);
    if (optimized != literal::OptimizeTag(expected)) {
        fuzz::fail("merging tags differs from the literal rules", line);
    }
    if (line.find(std::string(MaxMergedSpaces + 1, ' ')) == std::string::npos &&
        test::visibleText(optimized) != line) {
        fuzz::fail("the merged line does not show the source", line);
    }
    return 0;
}
