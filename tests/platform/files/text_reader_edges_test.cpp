#include "platform/files/text_reader.h"
#include "support/legacy_text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon::files {
namespace {

constexpr std::size_t Chunk = TextReader::ChunkSize;

struct Encoded {
    const char* name;
    const char* iconvName;
    std::string bom;
    // The code page to name instead of detecting it; empty detects.
    const char* chosen;
};
void PrintTo(const Encoded& c, std::ostream* out) {
    *out << c.name;
}

class DecodedLineBreaks : public ::testing::TestWithParam<Encoded> {};

// Text in another encoding than UTF-8 is split into lines after decoding, a chunk at a
// time: a CR LF whose two halves land in two chunks is still one line break, whichever
// byte the chunk ends on.
TEST_P(DecodedLineBreaks, CrLfAcrossTheChunkEdgeIsOneBreak) {
    const Encoded& c = GetParam();
    const std::size_t unit = std::string_view(c.name).starts_with("utf16") ? 2 : 1;
    const std::size_t around = (Chunk - c.bom.size()) / unit - 2;
    for (std::size_t n = around - 4; n <= around + 4; ++n) {
        // The accent makes the single-byte file no UTF-8, so it is decoded, not passed on.
        const std::string first = "\u00E9" + std::string(n, 'a');
        const std::string text = first + "\r\nb\r\n\rc\r\n";
        test::ScratchDir dir;
        const std::string path = (dir / "s.bas").string();
        test::writeBytes(path, c.bom + test::encodeAs(text, c.iconvName));
        TextReader reader(path, c.chosen);
        std::vector<std::string> lines;
        std::string line;
        while (reader.readLine(line)) {
            lines.push_back(line);
        }
        EXPECT_EQ(lines, (std::vector<std::string>{first, "b", "", "c"})) << "n = " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, DecodedLineBreaks,
                         ::testing::Values(Encoded{"utf16LeBom", "UTF-16LE", "\xFF\xFE", ""},
                                           Encoded{"utf16BeBom", "UTF-16BE", "\xFE\xFF", ""},
                                           Encoded{"utf16LeChosen", "UTF-16LE", "", "UTF-16LE"},
                                           Encoded{"windows1252", "WINDOWS-1252", "", ""},
                                           Encoded{"windows1252Chosen", "WINDOWS-1252", "", "windows-1252"}),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace quillon::files
