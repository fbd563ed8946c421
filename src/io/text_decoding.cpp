#include "io/text_decoding.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon::files {

namespace {

using detail::asciiRun;

// How many ASCII bytes around a run outside ASCII go into the sample with it: enough for
// the detector to see the word the run belongs to.
constexpr std::size_t Context = 12;
// The most bytes outside ASCII that may still be weak evidence.
constexpr std::size_t WeakEvidenceLimit = 32;
// How far into a form its descriptive block, with the fonts, may go.
constexpr std::size_t DescriptiveLimit = 64 * 1024;
constexpr std::string_view NameAttribute = "\nAttribute VB_Name";

// Where `word`, of two bytes or more, stands in `text` from `from` on, or npos. A form's
// block is full of the first bytes of the words looked for in it (every line's "\n",
// the "C" of "Caption"): a search that stops at each of them, as string_view::find does,
// costs more than the detector. Their first two bytes together are rare, and are
// looked for sixteen places at a time where the target has SSE2.
std::size_t findWord(std::string_view text, std::string_view word, std::size_t from) {
    const std::size_t size = text.size();
    if (word.size() > size || from > size - word.size()) {
        return std::string_view::npos;
    }
    const std::size_t last = size - word.size();
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(word[0]);
    const __m128i second = _mm_set1_epi8(word[1]);
    for (; i + 17 <= size; i += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + 1));
        auto pairs = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, first), _mm_cmpeq_epi8(next, second))));
        for (; pairs != 0; pairs &= pairs - 1) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(pairs));
            if (at > last) {
                return std::string_view::npos;
            }
            if (text.compare(at, word.size(), word) == 0) {
                return at;
            }
        }
    }
#endif
    return text.find(word, i);
}

enum class Bom { None, Utf8, Utf16LE, Utf16BE, Utf32LE, Utf32BE };

Bom bomOf(const std::array<unsigned char, 4>& head, std::size_t length) {
    if (length >= 4 && head[0] == 0xFF && head[1] == 0xFE && head[2] == 0 && head[3] == 0) {
        return Bom::Utf32LE;
    }
    if (length >= 4 && head[0] == 0 && head[1] == 0 && head[2] == 0xFE && head[3] == 0xFF) {
        return Bom::Utf32BE;
    }
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

bool isAsciiLetter(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

// A letter in Windows-1252 above ASCII.
bool isWesternLetter(unsigned char byte) {
    switch (byte) {
    case 0x83:
    case 0x8A:
    case 0x8C:
    case 0x8E:
    case 0x9A:
    case 0x9C:
    case 0x9E:
    case 0x9F:
    case 0xAA:
    case 0xB5:
    case 0xBA:
        return true;
    default:
        return byte >= 0xC0 && byte != 0xD7 && byte != 0xF7;
    }
}

bool isUndefinedInWestern(unsigned char byte) {
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

bool readsEveryByte(const EncodingDecision& decision, std::string_view bytes) {
    TextDecoder decoder(decision);
    std::string scratch;
    decoder.decode(scratch, bytes);
    decoder.finish(scratch);
    return decoder.rejectedBytes() == 0;
}

// The code pages whose letters include the Latin alphabet's accented ones.
bool writesLatinScript(const EncodingDecision& decision) {
    if (decision.encoding == TextEncoding::Windows1252) {
        return true;
    }
    constexpr std::string_view latin[] = {"WINDOWS-1250", "WINDOWS-1254", "WINDOWS-1257", "WINDOWS-1258"};
    return std::find(std::begin(latin), std::end(latin), decision.legacyName) != std::end(latin);
}

// Most runs of bytes outside ASCII touch an ASCII letter, as accented letters of Latin
// words do ("ésta", "canción"); the characters of other scripts stand in words of their own.
bool accentsInsideWords(std::string_view sample) {
    const auto isHigh = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
    int runs = 0;
    int touching = 0;
    for (std::size_t i = 0; i < sample.size();) {
        if (!isHigh(sample[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < sample.size() && isHigh(sample[i])) {
            ++i;
        }
        ++runs;
        const bool letterBefore = start > 0 && isAsciiLetter(static_cast<unsigned char>(sample[start - 1]));
        const bool letterAfter = i < sample.size() && isAsciiLetter(static_cast<unsigned char>(sample[i]));
        touching += letterBefore || letterAfter ? 1 : 0;
    }
    return runs > 0 && 2 * touching > runs;
}

// Traditional and simplified Chinese share most of their byte pairs: a short text is valid
// in both, and the detector's choice between them is a guess.
bool readByAnotherChineseCodePage(const EncodingDecision& decision, std::string_view bytes) {
    const std::string_view other = decision.legacyName == "CP950"   ? "CP936"
                                   : decision.legacyName == "CP936" ? "CP950"
                                                                    : "";
    return !other.empty() &&
           readsEveryByte(EncodingDecision{TextEncoding::Legacy, 0, std::string(other)}, bytes);
}

} // namespace

namespace {

// A run of one byte repeated, such as a line of "¤" or "°" framing a comment: drawing, not
// words of any script.
bool isDecoration(const unsigned char* run, std::size_t length) {
    return length >= 3 && std::all_of(run, run + length, [&](unsigned char byte) { return byte == run[0]; });
}

} // namespace

std::string detail::withoutDecoration(std::string_view sample) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(sample.data());
    std::string kept;
    kept.reserve(sample.size());
    for (std::size_t i = 0; i < sample.size();) {
        const std::size_t ascii = asciiRun(bytes + i, sample.size() - i);
        kept.append(sample.substr(i, ascii));
        i += ascii;
        const std::size_t start = i;
        while (i < sample.size() && bytes[i] >= 0x80) {
            ++i;
        }
        kept.append(isDecoration(bytes + start, i - start) ? std::string_view(" ")
                                                           : sample.substr(start, i - start));
    }
    return kept;
}

bool detail::readsAsWesternText(std::string_view sample) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(sample.data());
    const std::size_t size = sample.size();
    int symbolsInWords = 0;
    for (std::size_t i = 0; i < size;) {
        i += asciiRun(bytes + i, size - i);
        if (i == size) {
            break;
        }
        const std::size_t start = i;
        bool symbol = false;
        for (; i < size && bytes[i] >= 0x80; ++i) {
            if (isUndefinedInWestern(bytes[i])) {
                return false;
            }
            symbol = symbol || !isWesternLetter(bytes[i]);
        }
        // Western words hold their accented letters one or two at a time; a longer run is
        // a word of another script. Symbols between two letters, more than twice, are
        // letters of another code page (a name such as "N£OWEB" or an address written
        // "me•example•com" is no such evidence).
        const bool betweenLetters =
            start > 0 && isAsciiLetter(bytes[start - 1]) && i < size && isAsciiLetter(bytes[i]);
        symbolsInWords += symbol && betweenLetters ? 1 : 0;
        if (i - start > 2 || symbolsInWords > 2) {
            return false;
        }
    }
    return true;
}

void EncodingDetector::rememberContext(std::string_view ascii) {
    const std::size_t lineBreak = ascii.find_last_of("\r\n");
    if (lineBreak != std::string_view::npos) {
        before_.clear();
        gap_ = true;
        ascii.remove_prefix(lineBreak + 1);
    }
    before_.append(ascii);
    if (before_.size() > Context) {
        before_.erase(0, before_.size() - Context);
        gap_ = true;
    }
}

// A run of bytes outside ASCII at `pos`, with the context before it.
void EncodingDetector::takeRun(std::string_view bytes, std::size_t& pos) {
    if (after_ == 0) {
        if (sample_.size() + before_.size() + 2 > SampleSize) {
            sampleFull_ = true;
            return;
        }
        if (gap_ && !sample_.empty()) {
            sample_.push_back('\n');
        }
        sample_.append(before_);
        before_.clear();
    }
    gap_ = false;
    while (pos < bytes.size() && static_cast<unsigned char>(bytes[pos]) >= 0x80 &&
           sample_.size() < SampleSize) {
        sample_.push_back(bytes[pos++]);
    }
    sampleFull_ = sample_.size() == SampleSize;
    after_ = Context;
}

// The sample is made of what can tell code pages apart: the runs of bytes outside ASCII,
// each with the ASCII bytes around it on its line. The rest of the text only dilutes the
// detector's statistics, and costs its time.
void EncodingDetector::sampleRuns(std::string_view bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t pos = 0;
    while (pos < bytes.size() && !sampleFull_) {
        if (after_ > 0) {
            const char c = bytes[pos];
            if (static_cast<unsigned char>(c) >= 0x80) {
                takeRun(bytes, pos);
            } else if (isLineBreak(c)) {
                after_ = 0;
                gap_ = true;
                ++pos;
            } else if (sample_.size() < SampleSize) {
                sample_.push_back(c);
                ++pos;
                --after_;
                if (sample_.size() == SampleSize) {
                    after_ = 0;
                }
            } else {
                sampleFull_ = true;
            }
            continue;
        }
        const std::size_t run = asciiRun(data + pos, bytes.size() - pos);
        rememberContext(bytes.substr(pos, run));
        pos += run;
        if (pos < bytes.size()) {
            takeRun(bytes, pos);
        }
    }
}

void EncodingDetector::scanDescriptiveBlock(std::string_view bytes) {
    const std::size_t before = descriptive_.size();
    descriptive_.append(bytes.substr(0, DescriptiveLimit - before));
    if (descriptive_.size() < 8) {
        return;
    }
    if (!descriptive_.starts_with("VERSION ")) {
        descriptive_.clear();
        descriptiveDone_ = true;
        return;
    }
    const std::size_t from = before > NameAttribute.size() ? before - NameAttribute.size() : 0;
    if (findWord(descriptive_, NameAttribute, from) != std::string_view::npos ||
        descriptive_.size() == DescriptiveLimit) {
        descriptiveDone_ = true;
    }
}

void EncodingDetector::feed(std::string_view bytes) {
    for (std::size_t i = 0; headLength_ < head_.size() && i < bytes.size(); ++i) {
        head_[headLength_++] = static_cast<unsigned char>(bytes[i]);
    }
    const Bom bom = bomOf(head_, headLength_);
    if (bom != Bom::None && bom != Bom::Utf8) {
        return;
    }
    validator_.feed(bytes);
    if (bom == Bom::Utf8) {
        return; // the mark decides: only whether every line is UTF-8 is left to find out
    }
    if (!descriptiveDone_) {
        scanDescriptiveBlock(bytes);
    }
    if (!sampleFull_) {
        sampleRuns(bytes);
    }
}

bool EncodingDetector::settled() const noexcept {
    const Bom bom = bomOf(head_, headLength_);
    if (bom != Bom::None && bom != Bom::Utf8) {
        return true;
    }
    if (validator_.validSoFar()) {
        return false;
    }
    return bom == Bom::Utf8 || (sampleFull_ && descriptiveDone_);
}

EncodingVerdict EncodingDetector::codePageVerdict() const {
    const EncodingDecision western{TextEncoding::Windows1252};
    const std::string sample = detail::withoutDecoration(sample_);
    const bool readsAsWestern = detail::readsAsWesternText(sample);
    const FormCharsets fonts = formCharsets(descriptive_);
    if (fonts.mostlyWestern && readsAsWestern) {
        return {western, EncodingEvidence::Strong, {}};
    }
    // A form of Western fonts may still hold a control of another script, and the other
    // way round: the bytes have the last word.
    // Fonts of a script without Latin letters do not make Latin words of accented letters:
    // code such as "óvil" in a form laid out in Hebrew fonts is still Western text.
    const bool latinWordsAgainstTheFonts =
        fonts.codePage && !writesLatinScript(*fonts.codePage) && readsAsWestern && accentsInsideWords(sample);
    if (fonts.codePage && (!fonts.mostlyWestern || !readsAsWestern) && !latinWordsAgainstTheFonts &&
        readsEveryByte(*fonts.codePage, sample_)) {
        return {*fonts.codePage, EncodingEvidence::Strong, {}};
    }
    const auto telling = std::count_if(sample.begin(), sample.end(),
                                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (static_cast<std::size_t>(telling) <= WeakEvidenceLimit && readsAsWestern) {
        return {western, EncodingEvidence::Weak, sample_};
    }
    if (std::optional<EncodingDecision> found = detail::codePageFor(detail::detectCharset(sample), sample)) {
        const EncodingEvidence evidence = readByAnotherChineseCodePage(*found, sample_)
                                              ? EncodingEvidence::Contested
                                              : EncodingEvidence::Strong;
        return {std::move(*found), evidence,
                evidence == EncodingEvidence::Contested ? sample_ : std::string()};
    }
    return {western, EncodingEvidence::Weak, sample_};
}

EncodingVerdict EncodingDetector::verdict(bool wholeText) const {
    switch (bomOf(head_, headLength_)) {
    case Bom::Utf32LE:
        return {EncodingDecision{TextEncoding::Legacy, 4, "UTF-32LE"}, EncodingEvidence::None, {}};
    case Bom::Utf32BE:
        return {EncodingDecision{TextEncoding::Legacy, 4, "UTF-32BE"}, EncodingEvidence::None, {}};
    case Bom::Utf16LE:
        return {EncodingDecision{TextEncoding::Utf16LE, 2}, EncodingEvidence::None, {}};
    case Bom::Utf16BE:
        return {EncodingDecision{TextEncoding::Utf16BE, 2}, EncodingEvidence::None, {}};
    case Bom::Utf8: {
        const bool valid = wholeText && validator_.validComplete();
        return {EncodingDecision{TextEncoding::Utf8, 3, {}, !valid}, EncodingEvidence::None, {}};
    }
    case Bom::None:
        break;
    }
    const bool utf8 = wholeText ? validator_.validComplete() : validator_.validSoFar();
    if (utf8) {
        return {EncodingDecision{TextEncoding::Utf8, 0, {}, !wholeText}, EncodingEvidence::None, {}};
    }
    if (!wholeText && !settled()) {
        return codePageVerdict(); // more bytes may still change it
    }
    if (!codePage_) {
        codePage_ = codePageVerdict();
    }
    return *codePage_;
}

FormCharsets formCharsets(std::string_view descriptiveBlock) {
    struct FontCharset {
        int number;
        const char* codePage;
    };
    static constexpr std::array<FontCharset, 13> CodePages{{{128, "CP932"},
                                                            {129, "CP949"},
                                                            {134, "CP936"},
                                                            {136, "CP950"},
                                                            {161, "WINDOWS-1253"},
                                                            {162, "WINDOWS-1254"},
                                                            {163, "WINDOWS-1258"},
                                                            {177, "WINDOWS-1255"},
                                                            {178, "WINDOWS-1256"},
                                                            {186, "WINDOWS-1257"},
                                                            {204, "WINDOWS-1251"},
                                                            {222, "CP874"},
                                                            {238, "WINDOWS-1250"}}};
    std::array<int, CodePages.size()> votes{};
    int western = 0;
    constexpr std::string_view Key = "Charset";
    for (std::size_t at = findWord(descriptiveBlock, Key, 0); at != std::string_view::npos;
         at = findWord(descriptiveBlock, Key, at + Key.size())) {
        std::size_t i = at + Key.size();
        while (i < descriptiveBlock.size() && descriptiveBlock[i] == ' ') {
            ++i;
        }
        if (i == descriptiveBlock.size() || descriptiveBlock[i] != '=') {
            continue;
        }
        ++i;
        while (i < descriptiveBlock.size() && descriptiveBlock[i] == ' ') {
            ++i;
        }
        int number = 0;
        for (int digits = 0; i < descriptiveBlock.size() && digits < 4 && descriptiveBlock[i] >= '0' &&
                             descriptiveBlock[i] <= '9';
             ++i, ++digits) {
            number = number * 10 + (descriptiveBlock[i] - '0');
        }
        western += number == 0 ? 1 : 0;
        for (std::size_t k = 0; k < CodePages.size(); ++k) {
            votes[k] += CodePages[k].number == number ? 1 : 0;
        }
    }
    FormCharsets found;
    const auto most = std::max_element(votes.begin(), votes.end());
    found.mostlyWestern = western > 0 && western >= *most;
    if (*most > 0) {
        found.codePage = EncodingDecision{TextEncoding::Legacy, 0,
                                          CodePages[static_cast<std::size_t>(most - votes.begin())].codePage};
    }
    return found;
}

void EncodingHint::add(const EncodingVerdict& verdict) {
    if (verdict.evidence != EncodingEvidence::Strong && verdict.evidence != EncodingEvidence::Contested) {
        return;
    }
    const auto found = std::find_if(votes_.begin(), votes_.end(),
                                    [&](const auto& vote) { return vote.first == verdict.decision; });
    if (found == votes_.end()) {
        votes_.emplace_back(verdict.decision, 1);
    } else {
        ++found->second;
    }
}

std::optional<EncodingDecision> EncodingHint::codePage() const {
    const auto most = std::max_element(votes_.begin(), votes_.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    if (most == votes_.end()) {
        return std::nullopt;
    }
    return most->first;
}

EncodingDecision EncodingHint::decisionFor(const EncodingVerdict& verdict) const {
    if (verdict.evidence == EncodingEvidence::Weak || verdict.evidence == EncodingEvidence::Contested) {
        if (const std::optional<EncodingDecision> folder = codePage()) {
            if (readsEveryByte(*folder, verdict.sample)) {
                return *folder;
            }
        }
    }
    return verdict.decision;
}

std::string decodeToUtf8(std::string_view bytes) {
    EncodingDetector detector;
    detector.feed(bytes);
    return decodeText(bytes, detector.decide(true));
}

} // namespace quillon::files
