// The INI reader and writer on arbitrary files: an unchanged document writes back byte for
// byte, and setting one key changes that key only.

#include "fuzz_support.h"
#include "lang/ini_document.h"

#include "base/ascii_text.h"
#include "base/vb_error.h"
#include "io/text_decoding.h"

#include <algorithm>
#include <map>

namespace {

using quillon::asciiLower;
using Values = std::map<std::pair<std::string, std::string>, std::string>;

Values valuesOf(const quillon::lang::IniDocument& document) {
    Values values;
    for (const std::string& section : document.sectionNames()) {
        for (const std::string& key : document.keys(section)) {
            values[{asciiLower(section), asciiLower(key)}] =
                std::string(document.find(section, key).value_or(""));
        }
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The last three lines of the input name what to set; the rest is the file.
    const auto cut = bytes.size() > 64 ? bytes.size() - 48 : bytes.size();
    const std::string_view file = bytes.substr(0, cut);
    const std::string_view request = bytes.substr(cut);

    lang::IniDocument document = lang::IniDocument::parse(file);
    if (document.serialise() != file) {
        fuzz::fail("an unchanged document does not write back byte for byte");
    }
    // Split into lines and put together again, the text is the file's text as decoded.
    if (document.text() != files::decodeToUtf8(file)) {
        fuzz::fail("the lines of the document are not the text of the file");
    }
    if (request.size() < 6) {
        return 0;
    }
    const std::string section(request.substr(0, 2));
    const std::string key(request.substr(2, 2));
    const std::string value(request.substr(4));
    const Values before = valuesOf(document);
    try {
        document.set(section, key, value);
    } catch (const VbError&) {
        return 0; // refused: a name or value that could not be read back
    }
    const lang::IniDocument reread = lang::IniDocument::parse(document.serialise());
    // Blanks around a value are not part of it, as with the platform's profile functions.
    const std::size_t first = std::min(value.find_first_not_of(" \t"), value.size());
    const std::string stored = value.substr(first, value.find_last_not_of(" \t") + 1 - first);
    if (reread.find(section, key).value_or("<missing>") != stored) {
        fuzz::fail("the value set does not read back", value);
    }
    Values after = valuesOf(reread);
    after.erase({asciiLower(section), asciiLower(key)});
    Values expected = before;
    expected.erase({asciiLower(section), asciiLower(key)});
    // Names are trimmed and compared without case; compare what the reader sees.
    for (const auto& [name, old] : expected) {
        const auto found = after.find(name);
        if (found == after.end() || found->second != old) {
            fuzz::fail("setting one key changed another", name.second);
        }
    }
    return 0;
}
