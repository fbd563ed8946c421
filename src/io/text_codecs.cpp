// Decoding and encoding every code page the file layer reads: Windows-1252 by its own
// table, UTF-16 by hand, and any other code page through iconv. A single-byte code page is
// turned into a table once per decoder, so it decodes as fast as Windows-1252.

#include "io/text_codecs.h"

#include "base/ascii_text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <iconv.h>
#include <unordered_map>
#include <utility>

namespace quillon::files {

namespace {

const iconv_t NoConverter = reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));

// An iconv descriptor closed with its owner.
class Converter {
public:
    Converter() = default;
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) {
            ::iconv_close(cd_);
        }
    }
    Converter(Converter&& other) noexcept : cd_(std::exchange(other.cd_, NoConverter)) {}
    Converter& operator=(Converter&& other) noexcept {
        std::swap(cd_, other.cd_);
        return *this;
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const noexcept { return cd_ != NoConverter; }
    iconv_t get() const noexcept { return cd_; }
    void reset() const noexcept { ::iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t cd_ = NoConverter;
};

// A byte that has no character of its own becomes the code point of the same value (a C1
// control or a Latin-1 letter), as Windows does for the holes of its code pages.
void appendByteItself(std::string& out, unsigned char byte) {
    detail::appendUtf8(out, byte);
}

struct TableEntry {
    char utf8[7] = {};
    unsigned char length = 0;
    // A character of text in the code page: neither a hole nor a control code of C1.
    bool defined = false;
};
using ByteTable = std::array<TableEntry, 256>;

// The table of a code page whose every character is one byte, or nothing when some byte
// starts a longer sequence or the converter keeps state between bytes.
std::optional<ByteTable> singleByteTable(const Converter& converter) {
    ByteTable table;
    for (int value = 0; value < 256; ++value) {
        converter.reset();
        char in = static_cast<char>(value);
        char* inPointer = &in;
        std::size_t inLeft = 1;
        char out[16];
        char* outPointer = out;
        std::size_t outLeft = sizeof out;
        TableEntry& entry = table[static_cast<std::size_t>(value)];
        if (::iconv(converter.get(), &inPointer, &inLeft, &outPointer, &outLeft) ==
            static_cast<std::size_t>(-1)) {
            if (errno != EILSEQ) {
                return std::nullopt;
            }
            std::string itself;
            appendByteItself(itself, static_cast<unsigned char>(value));
            std::copy(itself.begin(), itself.end(), entry.utf8);
            entry.length = static_cast<unsigned char>(itself.size());
            continue;
        }
        ::iconv(converter.get(), nullptr, nullptr, &outPointer, &outLeft);
        const std::size_t produced = sizeof out - outLeft;
        if (produced == 0 || produced > sizeof entry.utf8) {
            return std::nullopt;
        }
        std::copy(out, out + produced, entry.utf8);
        entry.length = static_cast<unsigned char>(produced);
        // The ISO code pages give 0x80-0x9F to control codes no text holds: meeting one
        // tells that the file is in some other code page.
        const bool control = produced == 2 && static_cast<unsigned char>(out[0]) == 0xC2 &&
                             static_cast<unsigned char>(out[1]) < 0xA0;
        entry.defined = !control;
    }
    converter.reset();
    return table;
}

bool isHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The next code point of valid UTF-8 at `i`; nothing for a byte that starts no valid
// sequence.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || i + length > text.size() || !isValidUtf8(text.substr(i, length))) {
        return std::nullopt;
    }
    char32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
    }
    i += length;
    return c;
}

} // namespace

struct TextDecoder::Impl {
    enum class Kind { PassThrough, Windows1252, Table, Utf16, Iconv };
    Kind kind = Kind::PassThrough;
    std::size_t rejected = 0;

    // Table
    ByteTable table;
    bool asciiItself = false;

    // UTF-16
    bool bigEndian = false;
    std::string carry; // also iconv's unfinished sequence
    char32_t highSurrogate = 0;
    char highBytes[2] = {};

    // Iconv
    Converter converter;

    void decodeTable(std::string& out, std::string_view text) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        const std::size_t size = text.size();
        out.reserve(out.size() + size + size / 4);
        std::size_t i = 0;
        while (i < size) {
            const std::size_t run = detail::asciiRun(bytes + i, size - i);
            const std::size_t end = i + run;
            if (asciiItself) {
                out.append(text.data() + i, run);
                i = end;
            }
            for (; i < end; ++i) {
                const TableEntry& entry = table[bytes[i]];
                out.append(entry.utf8, entry.length);
                rejected += entry.defined ? 0 : 1;
            }
            if (i == size) {
                break;
            }
            const TableEntry& entry = table[bytes[i++]];
            out.append(entry.utf8, entry.length);
            rejected += entry.defined ? 0 : 1;
        }
    }

    void rejectUtf16Pair(std::string& out, const char* pair) {
        appendWindows1252AsUtf8(out, std::string_view(pair, 2));
        rejected += 2;
    }

    void decodeUtf16(std::string& out, std::string_view text) {
        std::size_t i = 0;
        char unitBytes[2];
        out.reserve(out.size() + text.size());
        for (;;) {
            if (!carry.empty()) {
                if (i == text.size()) {
                    return;
                }
                unitBytes[0] = carry[0];
                unitBytes[1] = text[i++];
                carry.clear();
            } else if (i + 2 <= text.size()) {
                unitBytes[0] = text[i];
                unitBytes[1] = text[i + 1];
                i += 2;
            } else {
                carry.assign(text.substr(i));
                return;
            }
            const auto first = static_cast<unsigned char>(unitBytes[bigEndian ? 0 : 1]);
            const auto second = static_cast<unsigned char>(unitBytes[bigEndian ? 1 : 0]);
            const char32_t unit = (char32_t{first} << 8) | second;
            if (highSurrogate != 0) {
                if (isLowSurrogate(unit)) {
                    detail::appendUtf8(out, 0x10000 + ((highSurrogate - 0xD800) << 10) + (unit - 0xDC00));
                    highSurrogate = 0;
                    continue;
                }
                rejectUtf16Pair(out, highBytes);
                highSurrogate = 0;
            }
            if (isHighSurrogate(unit)) {
                highSurrogate = unit;
                highBytes[0] = unitBytes[0];
                highBytes[1] = unitBytes[1];
            } else if (isLowSurrogate(unit)) {
                rejectUtf16Pair(out, unitBytes);
            } else {
                detail::appendUtf8(out, unit);
            }
        }
    }

    void decodeIconv(std::string& out, std::string_view text) {
        std::string joined;
        if (!carry.empty()) {
            joined = carry + std::string(text);
            carry.clear();
            text = joined;
        }
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        // Room is made ahead and the string cut to what was written at the end, so that
        // text full of rejected bytes still costs time in proportion to its length.
        std::size_t used = out.size();
        auto makeRoom = [&](std::size_t room) {
            if (out.size() - used < room) {
                out.resize(used + room + inLeft * 3);
            }
        };
        makeRoom(16);
        std::string rejectedByte;
        while (inLeft > 0) {
            char* o = out.data() + used;
            std::size_t outLeft = out.size() - used;
            const std::size_t result = ::iconv(converter.get(), &in, &inLeft, &o, &outLeft);
            const int error = errno;
            used = out.size() - outLeft;
            if (result != static_cast<std::size_t>(-1)) {
                break;
            }
            if (error == E2BIG) {
                makeRoom(64);
                continue;
            }
            if (error == EINVAL) {
                carry.assign(in, inLeft); // the start of a character, cut by the piece's end
                break;
            }
            rejectedByte.clear();
            appendWindows1252AsUtf8(rejectedByte, std::string_view(in, 1));
            makeRoom(rejectedByte.size());
            out.replace(used, rejectedByte.size(), rejectedByte);
            used += rejectedByte.size();
            ++in;
            --inLeft;
            ++rejected;
        }
        out.resize(used);
    }

    void finish(std::string& out) {
        if (kind == Kind::Utf16 && highSurrogate != 0) {
            rejectUtf16Pair(out, highBytes);
            highSurrogate = 0;
        }
        if (!carry.empty()) {
            appendWindows1252AsUtf8(out, carry);
            rejected += carry.size();
            carry.clear();
        }
        if (kind == Kind::Iconv) {
            char tail[64];
            char* o = tail;
            std::size_t outLeft = sizeof tail;
            ::iconv(converter.get(), nullptr, nullptr, &o, &outLeft);
            out.append(tail, sizeof tail - outLeft);
        }
    }
};

TextDecoder::TextDecoder(const EncodingDecision& decision) : impl_(std::make_unique<Impl>()) {
    using Kind = Impl::Kind;
    switch (decision.encoding) {
    case TextEncoding::Utf8:
        impl_->kind = Kind::PassThrough;
        return;
    case TextEncoding::Windows1252:
        impl_->kind = Kind::Windows1252;
        return;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        impl_->kind = Kind::Utf16;
        impl_->bigEndian = decision.encoding == TextEncoding::Utf16BE;
        return;
    case TextEncoding::Legacy:
        break;
    }
    Converter converter("UTF-8", decision.legacyName.c_str());
    if (decision.legacyName.find('/') != std::string::npos || !converter.valid()) {
        // Only names iconv knew make a decision; should it stop knowing one, the last
        // fallback still reads every byte.
        impl_->kind = Kind::Windows1252;
        return;
    }
    if (std::optional<ByteTable> table = singleByteTable(converter)) {
        impl_->kind = Kind::Table;
        impl_->table = *table;
        impl_->asciiItself = true;
        for (unsigned value = 0; value < 0x80; ++value) {
            const TableEntry& entry = (*table)[value];
            if (!entry.defined || entry.length != 1 || static_cast<unsigned char>(entry.utf8[0]) != value) {
                impl_->asciiItself = false;
            }
        }
        return;
    }
    impl_->kind = Kind::Iconv;
    impl_->converter = std::move(converter);
}

TextDecoder::~TextDecoder() = default;
TextDecoder::TextDecoder(TextDecoder&&) noexcept = default;
TextDecoder& TextDecoder::operator=(TextDecoder&&) noexcept = default;

void TextDecoder::decode(std::string& out, std::string_view bytes) {
    using Kind = Impl::Kind;
    switch (impl_->kind) {
    case Kind::PassThrough:
        out.append(bytes);
        break;
    case Kind::Windows1252:
        appendWindows1252AsUtf8(out, bytes);
        break;
    case Kind::Table:
        impl_->decodeTable(out, bytes);
        break;
    case Kind::Utf16:
        impl_->decodeUtf16(out, bytes);
        break;
    case Kind::Iconv:
        impl_->decodeIconv(out, bytes);
        break;
    }
}

void TextDecoder::finish(std::string& out) {
    impl_->finish(out);
}

std::size_t TextDecoder::rejectedBytes() const noexcept {
    return impl_->rejected;
}

bool TextDecoder::readsEveryByte() const noexcept {
    using Kind = Impl::Kind;
    switch (impl_->kind) {
    case Kind::Windows1252:
        return true;
    case Kind::Table:
        return std::all_of(impl_->table.begin(), impl_->table.end(),
                           [](const TableEntry& entry) { return entry.defined; });
    case Kind::PassThrough:
    case Kind::Utf16:
    case Kind::Iconv:
        break;
    }
    return false;
}

bool TextDecoder::pending() const noexcept {
    return !impl_->carry.empty() || impl_->highSurrogate != 0;
}

std::string EncodingDecision::name() const {
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Utf16LE:
        return "UTF-16LE";
    case TextEncoding::Utf16BE:
        return "UTF-16BE";
    case TextEncoding::Windows1252:
        return "WINDOWS-1252";
    case TextEncoding::Legacy:
        break;
    }
    return legacyName;
}

std::optional<EncodingDecision> encodingNamed(std::string_view name) {
    const std::string upper = asciiUpper(name);
    if (upper == "UTF-8" || upper == "UTF8") {
        // Chosen, not checked: a line that is not UTF-8 after all still loses nothing.
        return EncodingDecision{TextEncoding::Utf8, 0, {}, true};
    }
    if (upper == "UTF-16LE" || upper == "UTF16LE") {
        return EncodingDecision{TextEncoding::Utf16LE};
    }
    if (upper == "UTF-16BE" || upper == "UTF16BE") {
        return EncodingDecision{TextEncoding::Utf16BE};
    }
    if (upper == "WINDOWS-1252" || upper == "CP1252" || upper == "MS-ANSI") {
        return EncodingDecision{TextEncoding::Windows1252};
    }
    if (!detail::iconvDecodes(upper)) {
        return std::nullopt;
    }
    return EncodingDecision{TextEncoding::Legacy, 0, upper};
}

namespace {

std::optional<std::string> encodeWindows1252(std::string_view utf8) {
    static const std::unordered_map<char32_t, char> upperHalf = [] {
        std::unordered_map<char32_t, char> table;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const std::string decoded = windows1252ToUtf8(std::string(1, static_cast<char>(b)));
            std::size_t i = 0;
            if (const std::optional<char32_t> c = nextCodePoint(decoded, i)) {
                table.emplace(*c, static_cast<char>(b));
            }
        }
        return table;
    }();
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::optional<char32_t> c = nextCodePoint(utf8, i);
        if (!c) {
            return std::nullopt;
        }
        if (*c < 0x80) {
            out.push_back(static_cast<char>(*c));
            continue;
        }
        const auto found = upperHalf.find(*c);
        if (found == upperHalf.end()) {
            return std::nullopt;
        }
        out.push_back(found->second);
    }
    return out;
}

std::optional<std::string> encodeUtf16(std::string_view utf8, bool bigEndian) {
    std::string out;
    out.reserve(utf8.size() * 2);
    auto unit = [&](char32_t u) {
        const char high = static_cast<char>(u >> 8);
        const char low = static_cast<char>(u & 0xFF);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const std::optional<char32_t> c = nextCodePoint(utf8, i);
        if (!c) {
            return std::nullopt;
        }
        if (*c >= 0x10000) {
            unit(0xD800 + ((*c - 0x10000) >> 10));
            unit(0xDC00 + ((*c - 0x10000) & 0x3FF));
        } else {
            unit(*c);
        }
    }
    return out;
}

std::optional<std::string> encodeIconv(std::string_view utf8, const std::string& name) {
    if (!isValidUtf8(utf8) || name.find('/') != std::string::npos) {
        return std::nullopt;
    }
    const Converter converter(name.c_str(), "UTF-8");
    if (!converter.valid()) {
        return std::nullopt;
    }
    std::string out(utf8.size() * 2 + 16, '\0');
    std::size_t used = 0;
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    // The text, then the return to the initial shift state (for the code pages that have
    // one); either may need more room.
    for (bool flushing = false;;) {
        char* o = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t result = flushing ? ::iconv(converter.get(), nullptr, nullptr, &o, &outLeft)
                                            : ::iconv(converter.get(), &in, &inLeft, &o, &outLeft);
        const int error = errno;
        used = out.size() - outLeft;
        if (result == static_cast<std::size_t>(-1)) {
            if (error != E2BIG) {
                return std::nullopt;
            }
            out.resize(out.size() * 2);
        } else if (!flushing) {
            flushing = true;
        } else {
            break;
        }
    }
    out.resize(used);
    // iconv may stand in for a character it cannot write (a replacement mark or a lookalike
    // it chose itself): only an encoding that reads back as the same text counts.
    if (decodeText(out, EncodingDecision{TextEncoding::Legacy, 0, name}) != utf8) {
        return std::nullopt;
    }
    return out;
}

} // namespace

std::optional<std::string> encodeText(std::string_view utf8, const EncodingDecision& decision) {
    std::optional<std::string> body;
    std::string_view bom;
    switch (decision.encoding) {
    case TextEncoding::Utf8:
        if (!isValidUtf8(utf8)) {
            return std::nullopt;
        }
        body = std::string(utf8);
        bom = "\xEF\xBB\xBF";
        break;
    case TextEncoding::Utf16LE:
        body = encodeUtf16(utf8, false);
        bom = "\xFF\xFE";
        break;
    case TextEncoding::Utf16BE:
        body = encodeUtf16(utf8, true);
        bom = "\xFE\xFF";
        break;
    case TextEncoding::Windows1252:
        body = encodeWindows1252(utf8);
        break;
    case TextEncoding::Legacy:
        body = encodeIconv(utf8, decision.legacyName);
        break;
    }
    if (!body) {
        return std::nullopt;
    }
    if (decision.bomLength > 0 && bom.size() == decision.bomLength) {
        return std::string(bom) + *body;
    }
    return body;
}

} // namespace quillon::files
