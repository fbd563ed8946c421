#include "io/text_decoding.h"

#include "io/text_codecs.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

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

struct EncodingDetector::Candidate {
    // Nothing when detection failed.
    std::optional<EncodingDecision> decision;
    // Reads every byte from the sample on, for a code page that may reject some.
    std::optional<TextDecoder> checker;
    std::string scratch;

    explicit Candidate(std::string_view sample)
        : decision(detail::codePageFor(detail::detectCharset(sample), sample)) {
        if (decision) {
            checker.emplace(*decision);
            if (checker->readsEveryByte()) {
                checker.reset();
            } else {
                check(sample);
            }
        }
    }
    void check(std::string_view bytes) {
        if (checker && checker->rejectedBytes() == 0) {
            scratch.clear();
            checker->decode(scratch, bytes);
        }
    }
    bool failed() const { return !decision || (checker && checker->rejectedBytes() > 0); }
};

EncodingDetector::EncodingDetector() = default;
EncodingDetector::~EncodingDetector() = default;

namespace {

enum class Bom { None, Utf8, Utf16LE, Utf16BE };

Bom bomOf(const unsigned char* head, std::size_t length) {
    if (length >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
        return Bom::Utf8;
    }
    if (length >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
        return Bom::Utf16LE;
    }
    if (length >= 2 && head[0] == 0xFE && head[1] == 0xFF) {
        return Bom::Utf16BE;
    }
    return Bom::None;
}

bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

} // namespace

// The lines that hold a byte outside ASCII go into the sample whole; the other lines
// tell nothing about the code page and only dilute the detector's statistics. Returns
// where in `bytes` the sample was filled, or npos.
std::size_t EncodingDetector::sampleLines(std::string_view bytes) {
    // How much of a long line before its first non-ASCII byte still counts.
    constexpr std::size_t MaxLead = 1024;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (inSampledLine_) {
            std::size_t end = pos;
            while (end < bytes.size() && !isLineBreak(bytes[end])) {
                ++end;
            }
            inSampledLine_ = end == bytes.size();
            end = std::min(end + (inSampledLine_ ? 0 : 1), bytes.size());
            const std::size_t taken = std::min(end - pos, SampleSize - sample_.size());
            sample_.append(bytes.substr(pos, taken));
            pos += taken;
            if (sample_.size() == SampleSize) {
                return pos;
            }
            continue;
        }
        const std::size_t first = pos + asciiRun(data + pos, bytes.size() - pos);
        std::size_t lineStart = first;
        while (lineStart > pos && !isLineBreak(bytes[lineStart - 1])) {
            --lineStart;
        }
        if (lineStart > pos) {
            lineHead_.clear(); // the line began in this piece
        }
        if (first == bytes.size()) {
            // All ASCII to the end: keep how the last line begins, should it go on.
            lineHead_.append(bytes.substr(lineStart));
            if (lineHead_.size() > MaxLead) {
                lineHead_.erase(0, lineHead_.size() - MaxLead);
            }
            return std::string_view::npos;
        }
        lineStart = std::max(lineStart, first > MaxLead ? first - MaxLead : 0);
        lineHead_.append(bytes.substr(lineStart, first - lineStart));
        if (lineHead_.size() > MaxLead) {
            lineHead_.erase(0, lineHead_.size() - MaxLead);
        }
        sample_.append(lineHead_.substr(0, SampleSize - sample_.size()));
        lineHead_.clear();
        inSampledLine_ = true;
        pos = first;
        if (sample_.size() == SampleSize) {
            return pos;
        }
    }
    return std::string_view::npos;
}

void EncodingDetector::feed(std::string_view bytes) {
    for (std::size_t i = 0; headLength_ < 3 && i < bytes.size(); ++i) {
        head_[headLength_++] = static_cast<unsigned char>(bytes[i]);
    }
    const Bom bom = bomOf(head_, headLength_);
    if (bom == Bom::Utf16LE || bom == Bom::Utf16BE) {
        return;
    }
    validator_.feed(bytes);
    if (bom == Bom::Utf8) {
        return; // the mark decides: only whether every line is UTF-8 is left to find out
    }
    if (candidate_) {
        candidate_->check(bytes);
        return;
    }
    const std::size_t filled = sampleLines(bytes);
    if (filled != std::string_view::npos) {
        candidate_ = std::make_unique<Candidate>(sample_);
        candidate_->check(bytes.substr(filled));
    }
}

bool EncodingDetector::settled() const noexcept {
    const Bom bom = bomOf(head_, headLength_);
    if (bom == Bom::Utf16LE || bom == Bom::Utf16BE) {
        return true;
    }
    if (validator_.validSoFar()) {
        return false;
    }
    if (bom == Bom::Utf8) {
        return true;
    }
    // A candidate that still reads every byte has to keep doing so to the end.
    return candidate_ && (candidate_->failed() || !candidate_->checker);
}

EncodingDecision EncodingDetector::decide(bool wholeText) const {
    switch (bomOf(head_, headLength_)) {
    case Bom::Utf16LE:
        return EncodingDecision{TextEncoding::Utf16LE, 2};
    case Bom::Utf16BE:
        return EncodingDecision{TextEncoding::Utf16BE, 2};
    case Bom::Utf8: {
        const bool valid = wholeText && validator_.validComplete();
        return EncodingDecision{TextEncoding::Utf8, 3, {}, !valid};
    }
    case Bom::None:
        break;
    }
    const bool utf8 = wholeText ? validator_.validComplete() : validator_.validSoFar();
    if (utf8) {
        return EncodingDecision{TextEncoding::Utf8, 0, {}, !wholeText};
    }
    EncodingDecision lastFallback{TextEncoding::Windows1252};
    if (candidate_) {
        if (candidate_->failed() || (wholeText && candidate_->checker && candidate_->checker->pending())) {
            return lastFallback;
        }
        return *candidate_->decision;
    }
    // The whole of the text fed so far is in the sample.
    const Candidate candidate(sample_);
    if (candidate.failed() || (wholeText && candidate.checker && candidate.checker->pending())) {
        return lastFallback;
    }
    return *candidate.decision;
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

std::string decodeToUtf8(std::string_view bytes) {
    EncodingDetector detector;
    detector.feed(bytes);
    return decodeText(bytes, detector.decide(true));
}

} // namespace quillon::files
