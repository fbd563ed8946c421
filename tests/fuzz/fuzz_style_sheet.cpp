// The style-sheet reader on arbitrary files: never a crash, a refused file (not a style sheet,
// or not text at all) leaves the scheme as it was, and a file it accepts writes back and reads again to the
// same scheme.

#include "base/vb_error.h"
#include "fuzz_support.h"
#include "scheme/style_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    static const std::string input = fuzz::scratchPath("in.css");
    static const std::string output = fuzz::scratchPath("out.css");
    fuzz::writeFile(input, std::string_view(reinterpret_cast<const char*>(data), size));

    const ColourScheme before = defaultColourScheme();
    ColourScheme scheme = before;
    bool loaded = false;
    try {
        loaded = LoadCoulorFromFile(input, scheme).loaded();
    } catch (const VbError&) {
        // A file that is no text at all is refused by the file layer, before any reading.
    }
    if (!loaded) {
        if (!(scheme == before)) {
            fuzz::fail("a refused style sheet changed the scheme");
        }
        return 0;
    }
    SaveCoulorInFile(output, scheme);
    ColourScheme again = defaultColourScheme();
    if (!LoadCoulorFromFile(output, again).loaded() || !(again == scheme)) {
        fuzz::fail("a loaded style sheet does not round-trip");
    }
    return 0;
}
