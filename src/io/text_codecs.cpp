// Decoding and encoding every code page the file layer reads: Windows-1252 by its own
// table, UTF-8 and UTF-16 by hand, and any other code page through iconv. A single-byte
// code page is turned into a table once per process, so it decodes as fast as
// Windows-1252.

#include "io/text_codecs.h"

#include "base/ascii_text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <iconv.h>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace quillon::files {

namespace {

using detail::asciiRun;

// Length of the sequence a lead byte opens, 0 when the byte cannot open one.
std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

// Whether the byte at `index` (1 to 3) of a sequence opened by `lead` is allowed there.
// The second byte's range rules out overlong forms, surrogates and values past U+10FFFF.
bool continuationAllowed(unsigned char lead, std::size_t index, unsigned char byte) {
    if (index == 1) {
        switch (lead) {
        case 0xE0:
            return byte >= 0xA0 && byte <= 0xBF;
        case 0xED:
            return byte >= 0x80 && byte <= 0x9F;
        case 0xF0:
            return byte >= 0x90 && byte <= 0xBF;
        case 0xF4:
            return byte >= 0x80 && byte <= 0x8F;
        default:
            break;
        }
    }
    return byte >= 0x80 && byte <= 0xBF;
}

// Windows-1252 0x80 to 0x9F; the undefined bytes map to the C1 control of the same value.
constexpr std::array<char16_t, 32> HighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendCodePoint(std::string& out, char16_t c) {
    if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

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

// A byte the encoding cannot read is most likely a character the author typed on a
// Western keyboard: its Windows-1252 character, or U+FFFD for the five bytes that have
// none there. The text around it stays in the encoding.
void appendRejected(std::string& out, std::string_view bytes) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const bool undefined = byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
        if (undefined) {
            out.append("\xEF\xBF\xBD");
        } else {
            appendWindows1252AsUtf8(out, std::string_view(&c, 1));
        }
    }
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
            const char byte = static_cast<char>(value);
            appendRejected(itself, std::string_view(&byte, 1));
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

// Windows-1252 as a table, every byte a character of it (see appendWindows1252AsUtf8).
const ByteTable& windows1252Table() {
    static const ByteTable table = [] {
        ByteTable made;
        for (unsigned value = 0; value < 256; ++value) {
            std::string utf8;
            const char byte = static_cast<char>(value);
            appendWindows1252AsUtf8(utf8, std::string_view(&byte, 1));
            TableEntry& entry = made[value];
            std::copy(utf8.begin(), utf8.end(), entry.utf8);
            entry.length = static_cast<unsigned char>(utf8.size());
            entry.defined = true;
        }
        return made;
    }();
    return table;
}

// The table of a single-byte code page, or none where iconv does the work (or does not
// know the name): made once per process, since every file of a project is in the same
// code page and a table costs 256 conversions to make.
const ByteTable* singleByteTableOf(const std::string& codePage) {
    static std::mutex mutex;
    static std::unordered_map<std::string, std::optional<ByteTable>> known;
    const std::lock_guard lock(mutex);
    auto found = known.find(codePage);
    if (found == known.end()) {
        const Converter converter("UTF-8", codePage.c_str());
        found = known.emplace(codePage, converter.valid() ? singleByteTable(converter) : std::nullopt).first;
    }
    // The map's entries stay where they are as others are added: decoders keep the address.
    return found->second ? &*found->second : nullptr;
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

std::size_t Utf8Validator::validateRun(const unsigned char* bytes, std::size_t size) {
    std::size_t i = 0;
    while (i < size) {
        i += asciiRun(bytes + i, size - i);
        if (i == size) {
            break;
        }
        const unsigned char lead = bytes[i];
        const std::size_t length = sequenceLength(lead);
        if (length == 0) {
            valid_ = false;
            return i;
        }
        const std::size_t available = size - i < length ? size - i : length;
        for (std::size_t k = 1; k < available; ++k) {
            if (!continuationAllowed(lead, k, bytes[i + k])) {
                valid_ = false;
                return i;
            }
        }
        if (available < length) {
            return i; // a good start, cut by the end of the piece
        }
        i += length;
    }
    return i;
}

void Utf8Validator::feed(std::string_view text) {
    if (!valid_ || text.empty()) {
        return;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t size = text.size();
    if (pendingLength_ > 0) {
        // Finish the sequence the previous piece left open before going on.
        const std::size_t length = sequenceLength(pending_[0]);
        while (pendingLength_ < length && size > 0) {
            pending_[pendingLength_++] = *bytes++;
            --size;
        }
        const std::size_t used = validateRun(pending_, pendingLength_);
        if (!valid_) {
            return;
        }
        if (used < pendingLength_) {
            return; // still unfinished: this piece was shorter than the missing bytes
        }
        pendingLength_ = 0;
    }
    const std::size_t used = validateRun(bytes, size);
    if (valid_ && used < size) {
        pendingLength_ = size - used;
        std::memcpy(pending_, bytes + used, pendingLength_);
    }
}

bool isValidUtf8(std::string_view bytes) {
    Utf8Validator validator;
    validator.feed(bytes);
    return validator.validComplete();
}

void appendWindows1252AsUtf8(std::string& out, std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    out.reserve(out.size() + size + size / 8);
    std::size_t i = 0;
    while (i < size) {
        const std::size_t run = asciiRun(bytes + i, size - i);
        out.append(text.data() + i, run);
        i += run;
        if (i == size) {
            break;
        }
        const unsigned char byte = bytes[i++];
        appendCodePoint(out, byte < 0xA0 ? HighControls[byte - 0x80] : static_cast<char16_t>(byte));
    }
}

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    appendWindows1252AsUtf8(out, bytes);
    return out;
}

bool detail::iconvDecodes(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return false;
    }
    const iconv_t cd = ::iconv_open("UTF-8", name.c_str());
    if (cd == NoConverter) {
        return false;
    }
    ::iconv_close(cd);
    return true;
}

struct TextDecoder::Impl {
    enum class Kind { PassThrough, Table, Utf16, Iconv };
    Kind kind = Kind::PassThrough;
    std::size_t rejected = 0;

    // Table: Windows-1252's or one of singleByteTableOf(), both kept for the process.
    const ByteTable* table = nullptr;
    bool asciiItself = false;

    // UTF-16
    bool bigEndian = false;
    std::string carry; // also iconv's unfinished sequence
    char32_t highSurrogate = 0;
    char highBytes[2] = {};

    // Iconv
    Converter converter;

    void useTable(const ByteTable& codePage) {
        kind = Kind::Table;
        table = &codePage;
        asciiItself = true;
        for (unsigned value = 0; value < 0x80; ++value) {
            const TableEntry& entry = (*table)[value];
            if (!entry.defined || entry.length != 1 || static_cast<unsigned char>(entry.utf8[0]) != value) {
                asciiItself = false;
            }
        }
    }

    void decodeTable(std::string& out, std::string_view text) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        const std::size_t size = text.size();
        // Room is made ahead and the string cut to what was written at the end: appended
        // one by one, each character would test the string's length and capacity. An
        // entry is copied whole and the end moved on by its length.
        std::size_t used = out.size();
        auto room = [&](std::size_t wanted, std::size_t bytesLeft) {
            if (out.size() - used < wanted) {
                out.resize(used + wanted + 2 * bytesLeft);
            }
            return out.data() + used;
        };
        std::size_t i = 0;
        while (i < size) {
            const std::size_t run = detail::asciiRun(bytes + i, size - i);
            const std::size_t end = i + run;
            if (asciiItself) {
                std::memcpy(room(run, size - end), text.data() + i, run);
                used += run;
                i = end;
            }
            // The run's bytes when the table has its own ASCII, then the byte that ended it.
            for (; i < size && i <= end; ++i) {
                const TableEntry& entry = (*table)[bytes[i]];
                std::memcpy(room(sizeof entry.utf8, size - i), entry.utf8, sizeof entry.utf8);
                used += entry.length;
                rejected += entry.defined ? 0 : 1;
            }
        }
        out.resize(used);
    }

    void rejectUtf16Pair(std::string& out, const char* pair) {
        appendRejected(out, std::string_view(pair, 2));
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
        // text full of rejected bytes still costs time in proportion to its length. The
        // first room is two bytes for each byte of the piece, more than double-byte text
        // needs (three bytes of UTF-8 for two); only when that runs out is each byte left
        // given the three it may take at most. A piece of Chinese text then no longer
        // holds, and clears, twice the memory it fills.
        std::size_t used = out.size();
        auto makeRoom = [&](std::size_t room, std::size_t perByteLeft) {
            if (out.size() - used < room) {
                out.resize(used + room + inLeft * perByteLeft);
            }
        };
        makeRoom(16, 2);
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
                makeRoom(64, 3);
                continue;
            }
            if (error == EINVAL) {
                carry.assign(in, inLeft); // the start of a character, cut by the piece's end
                break;
            }
            rejectedByte.clear();
            appendRejected(rejectedByte, std::string_view(in, 1));
            makeRoom(rejectedByte.size(), 3);
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
            appendRejected(out, carry);
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
        impl_->useTable(windows1252Table());
        return;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        impl_->kind = Kind::Utf16;
        impl_->bigEndian = decision.encoding == TextEncoding::Utf16BE;
        return;
    case TextEncoding::Legacy:
        break;
    }
    // Only names iconv knew make a decision; should it stop knowing one, the last fallback
    // still reads every byte.
    if (decision.legacyName.find('/') != std::string::npos) {
        impl_->useTable(windows1252Table());
        return;
    }
    if (const ByteTable* table = singleByteTableOf(decision.legacyName)) {
        impl_->useTable(*table);
        return;
    }
    Converter converter("UTF-8", decision.legacyName.c_str());
    if (!converter.valid()) {
        impl_->useTable(windows1252Table());
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

std::string decodeText(std::string_view bytes, const EncodingDecision& decision) {
    bytes.remove_prefix(std::min(decision.bomLength, bytes.size()));
    std::string out;
    if (decision.encoding != TextEncoding::Utf8) {
        TextDecoder decoder(decision);
        decoder.decode(out, bytes);
        decoder.finish(out);
        return out;
    }
    if (!decision.repairLines || isValidUtf8(bytes)) {
        return std::string(bytes);
    }
    out.reserve(bytes.size() + bytes.size() / 8);
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n", start), bytes.size());
        const std::string_view line = bytes.substr(start, end - start);
        if (isValidUtf8(line)) {
            out.append(line);
        } else {
            appendWindows1252AsUtf8(out, line);
        }
        out.append(bytes.substr(end, end < bytes.size() ? 1 : 0));
        start = end + 1;
    }
    return out;
}

bool EncodingDecision::textHoldsNulBytes() const {
    const std::optional<std::string> lineBreak = encodeText("\n", *this);
    return lineBreak && lineBreak->find('\0') != std::string::npos;
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
        bom = decision.legacyName == "UTF-32LE"   ? std::string_view("\xFF\xFE\0\0", 4)
              : decision.legacyName == "UTF-32BE" ? std::string_view("\0\0\xFE\xFF", 4)
                                                  : std::string_view();
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
