// The file reader on arbitrary bytes: the lines it streams are the lines of the whole
// decoded text, every one valid UTF-8, nothing added or lost; only a file with a NUL byte
// is refused.

#include "base/vb_error.h"
#include "fuzz_support.h"
#include "io/file_system.h"
#include "io/text_decoding.h"
#include "io/text_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    static const std::string path = fuzz::scratchPath("source.bas");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzz::writeFile(path, bytes);

    const std::string decoded = files::decodeToUtf8(bytes);
    if (!files::isValidUtf8(decoded)) {
        fuzz::fail("decoded text is not UTF-8");
    }
    const auto expected = files::splitTextLines(decoded);
    std::size_t count = 0;
    try {
        files::TextReader reader(path);
        std::string line;
        while (reader.readLine(line)) {
            if (count >= expected.size() || expected[count] != line) {
                fuzz::fail("streamed line differs from the split text", line);
            }
            ++count;
        }
    } catch (const VbError& error) {
        // Only a NUL byte makes bytes no text: every other byte is some character.
        if (error.number() != vberr::InvalidFileFormat || bytes.find('\0') == std::string_view::npos) {
            fuzz::fail("a readable file was refused", error.description());
        }
        return 0;
    }
    if (count != expected.size()) {
        fuzz::fail("streamed lines missing");
    }
    return 0;
}
