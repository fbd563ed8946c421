#include "platform/files/text_decoding.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace quillon::files {

namespace {

// Sources are overwhelmingly ASCII: test eight bytes at a time before looking at any
// byte on its own.
constexpr std::uint64_t HighBits = 0x8080808080808080ull;

std::size_t asciiRun(const unsigned char* bytes, std::size_t size) {
    std::size_t i = 0;
    while (i + 16 <= size) {
        std::uint64_t a;
        std::uint64_t b;
        std::memcpy(&a, bytes + i, 8);
        std::memcpy(&b, bytes + i + 8, 8);
        if (((a | b) & HighBits) != 0) {
            break;
        }
        i += 16;
    }
    while (i < size && bytes[i] < 0x80) {
        ++i;
    }
    return i;
}

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

void EncodingDetector::feed(std::string_view bytes) {
    for (std::size_t i = 0; headLength_ < 3 && i < bytes.size(); ++i) {
        head_[headLength_++] = static_cast<unsigned char>(bytes[i]);
    }
    validator_.feed(bytes);
}

EncodingDecision EncodingDetector::decide(bool wholeText) const {
    EncodingDecision decision;
    if (headLength_ == 3 && head_[0] == 0xEF && head_[1] == 0xBB && head_[2] == 0xBF) {
        decision.bomLength = 3;
    }
    const bool utf8 = wholeText ? validator_.validComplete() : validator_.validSoFar();
    decision.encoding = utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    return decision;
}

std::string decodeToUtf8(std::string_view bytes) {
    EncodingDetector detector;
    detector.feed(bytes);
    const EncodingDecision decision = detector.decide(true);
    const std::string_view text = bytes.substr(decision.bomLength);
    if (decision.encoding == TextEncoding::Utf8) {
        return std::string(text);
    }
    return windows1252ToUtf8(text);
}

} // namespace quillon::files
