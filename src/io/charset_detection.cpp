// Which code page a file that is not UTF-8 was written in.
//
// Visual Basic sources were saved by Windows in the author's ANSI code page, so every
// answer of the detector is read as the Windows code page of the same script: the ISO and
// DOS code pages it names for Western, Cyrillic, Greek, Turkish, Hebrew, Arabic, Baltic
// and Thai text are near twins of the Windows ones, and short texts are where it mixes
// them up. ISO-8859-2 is Windows-1250 for the same reason: the development environment
// never saved a source in it.

#include "base/ascii_text.h"
#include "io/text_decoding.h"

#include <algorithm>
#include <array>
#include <memory>
#include <uchardet/uchardet.h>

namespace quillon::files::detail {

namespace {

struct Alias {
    std::string_view detected;
    std::string_view codePage;
};

constexpr std::string_view Western = "WINDOWS-1252";
constexpr std::string_view CentralEuropean = "WINDOWS-1250";

constexpr std::array<Alias, 38> Aliases{{
    {"ISO-8859-1", Western},
    {"ISO-8859-3", Western},
    {"ISO-8859-10", Western},
    {"ISO-8859-14", Western},
    {"ISO-8859-15", Western},
    {"WINDOWS-1252", Western},
    {"IBM850", Western},
    {"MAC-ROMAN", Western},
    {"WINDOWS-1250", CentralEuropean},
    {"ISO-8859-16", CentralEuropean},
    {"IBM852", CentralEuropean},
    {"MAC-CENTRALEUROPE", CentralEuropean},
    {"ISO-8859-2", CentralEuropean},
    {"WINDOWS-1251", "WINDOWS-1251"},
    {"ISO-8859-5", "WINDOWS-1251"},
    {"KOI8-R", "WINDOWS-1251"},
    {"KOI8-U", "WINDOWS-1251"},
    {"IBM855", "WINDOWS-1251"},
    {"IBM866", "WINDOWS-1251"},
    {"MAC-CYRILLIC", "WINDOWS-1251"},
    {"WINDOWS-1253", "WINDOWS-1253"},
    {"ISO-8859-7", "WINDOWS-1253"},
    {"WINDOWS-1254", "WINDOWS-1254"},
    {"ISO-8859-9", "WINDOWS-1254"},
    {"WINDOWS-1255", "WINDOWS-1255"},
    {"ISO-8859-8", "WINDOWS-1255"},
    {"WINDOWS-1256", "WINDOWS-1256"},
    {"ISO-8859-6", "WINDOWS-1256"},
    {"WINDOWS-1257", "WINDOWS-1257"},
    {"ISO-8859-4", "WINDOWS-1257"},
    {"ISO-8859-13", "WINDOWS-1257"},
    {"TIS-620", "CP874"},
    {"ISO-8859-11", "CP874"},
    // The double-byte code pages of Windows hold a few hundred characters more than the
    // standards they extend, the euro sign among them.
    {"SHIFT_JIS", "CP932"},
    {"GB18030", "CP936"},
    {"GB2312", "CP936"},
    {"BIG5", "CP950"},
    {"EUC-KR", "CP949"},
}};

} // namespace

std::string detectCharset(std::string_view sample) {
    const std::unique_ptr<uchardet, void (*)(uchardet_t)> detector(uchardet_new(), &uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), sample.data(), sample.size()) != 0) {
        return {};
    }
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    return name ? std::string(name) : std::string();
}

std::optional<EncodingDecision> codePageFor(std::string_view detected, std::string_view sample) {
    std::string name = asciiUpper(detected);
    // Text that is not valid UTF-8 is in none of the Unicode forms, a file without a
    // byte-order mark is not taken for UTF-16 or UTF-32, and the 7-bit encodings cannot
    // hold the bytes above 0x7F that brought the text here.
    if (name.empty() || name == "ASCII" || name.starts_with("UTF-") || name.starts_with("ISO-2022") ||
        name.starts_with("HZ")) {
        return std::nullopt;
    }
    const auto alias =
        std::find_if(Aliases.begin(), Aliases.end(), [&](const Alias& a) { return a.detected == name; });
    if (alias != Aliases.end()) {
        name = std::string(alias->codePage);
    }
    if (name == Western) {
        return EncodingDecision{TextEncoding::Windows1252};
    }
    if (!detail::iconvDecodes(name)) {
        return std::nullopt;
    }
    EncodingDecision found{TextEncoding::Legacy, 0, name};
    // Text that reads the same in Windows-1252 (a few accented letters common to the Latin
    // code pages) does not tell the two apart: the detector's guess then rests on almost
    // nothing, and Windows-1252, by far the most common, also reads the rest of the file.
    if (decodeText(sample, found) == windows1252ToUtf8(sample)) {
        return EncodingDecision{TextEncoding::Windows1252};
    }
    return found;
}

} // namespace quillon::files::detail
