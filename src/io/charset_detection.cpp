// Which code page a file that is not UTF-8 was written in.
//
// Visual Basic sources were saved by Windows in the author's ANSI code page, so every
// answer of the detector is read as the Windows code page of the same script: the ISO and
// DOS code pages it names for Western, Cyrillic, Greek, Turkish, Hebrew, Arabic, Baltic
// and Thai text are near twins of the Windows ones, and short texts are where it mixes
// them up. Only ISO-8859-2 stays apart from Windows-1250, since files in it do occur and
// the two differ in common letters; the bytes themselves settle which of the two it is.

#include "base/ascii_text.h"
#include "io/text_codecs.h"

#include <algorithm>
#include <array>
#include <iconv.h>
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
constexpr std::string_view Latin2 = "ISO-8859-2";

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
    {"ISO-8859-2", Latin2},
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

bool isLetterByte(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || byte >= 0xC0;
}

// Windows-1250 or ISO-8859-2, whichever the detector named, unless the bytes show the
// other: Windows-1250 keeps letters such as Š and ś in 0x80-0x9F, where ISO-8859-2 has
// only control codes, and ISO-8859-2 keeps letters such as ą and Ś where Windows-1250 has
// symbols (±, ¦), which then sit inside words.
std::string_view centralEuropean(std::string_view named, std::string_view sample) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(sample.data());
    const std::size_t size = sample.size();
    if (std::any_of(bytes, bytes + size, [](unsigned char b) { return b >= 0x80 && b <= 0x9F; })) {
        return CentralEuropean;
    }
    constexpr std::array<unsigned char, 10> SymbolsIn1250{0xA1, 0xA6, 0xA9, 0xAB, 0xAC,
                                                          0xAE, 0xB1, 0xB5, 0xB6, 0xBB};
    for (std::size_t i = 0; i < size; ++i) {
        if (std::find(SymbolsIn1250.begin(), SymbolsIn1250.end(), bytes[i]) == SymbolsIn1250.end()) {
            continue;
        }
        if ((i > 0 && isLetterByte(bytes[i - 1])) || (i + 1 < size && isLetterByte(bytes[i + 1]))) {
            return Latin2;
        }
    }
    return named;
}

} // namespace

bool iconvDecodes(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return false;
    }
    const iconv_t cd = ::iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1))) {
        return false;
    }
    ::iconv_close(cd);
    return true;
}

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
        if (name == CentralEuropean || name == Latin2) {
            name = std::string(centralEuropean(name, sample));
        }
    }
    if (name == Western) {
        return EncodingDecision{TextEncoding::Windows1252};
    }
    if (!iconvDecodes(name)) {
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
