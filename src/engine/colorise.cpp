#include "engine/colorise.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon {

namespace {

// ---------------------------------------------------------------------------------------
// Keywords. Every keyword but one fits in eight bytes: read as a little-endian number
// (the bytes past its end cleared) it selects one slot of a small table through a
// multiplicative hash chosen so that no two keywords share a slot. The one longer
// keyword, "RaiseEvent", is compared on its own.

constexpr std::string_view LongKeyword = "RaiseEvent";
constexpr std::uint64_t KeywordHashFactor = 0x4a241ce0b9a400cdull;
constexpr int KeywordSlotBits = 8;

constexpr std::uint64_t wordKey(std::string_view word) {
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        key |= static_cast<std::uint64_t>(static_cast<unsigned char>(word[i])) << (8 * i);
    }
    return key;
}

constexpr std::size_t slotOf(std::uint64_t key) {
    return static_cast<std::size_t>((key * KeywordHashFactor) >> (64 - KeywordSlotBits));
}

struct KeywordSlots {
    std::array<std::uint64_t, std::size_t{1} << KeywordSlotBits> keys{};
    bool collisionFree = true;
};

constexpr KeywordSlots buildKeywordSlots() {
    KeywordSlots slots;
    for (std::string_view word : LSTmotClef) {
        if (word.size() > 8) {
            continue;
        }
        const std::uint64_t key = wordKey(word);
        auto& slot = slots.keys[slotOf(key)];
        if (slot != 0) {
            slots.collisionFree = false;
        }
        slot = key;
    }
    return slots;
}

constexpr KeywordSlots Keywords = buildKeywordSlots();
static_assert(Keywords.collisionFree, "the keyword hash must give every keyword a slot of its own");

constexpr bool keywordListsAgree() {
    std::size_t longer = 0;
    for (std::string_view word : LSTmotClef) {
        longer += word.size() > 8 ? 1 : 0;
        if (word.size() < 2 || word.size() > LongKeyword.size()) {
            return false;
        }
    }
    return longer == 1;
}
static_assert(keywordListsAgree(), "only RaiseEvent may be longer than eight letters");

// Every occurrence of a keyword is found by one scan from the left only when no keyword
// overlaps itself (its start is never also its end).
constexpr bool noKeywordOverlapsItself() {
    for (std::string_view word : LSTmotClef) {
        for (std::size_t k = 1; k < word.size(); ++k) {
            if (word.substr(0, k) == word.substr(word.size() - k)) {
                return false;
            }
        }
    }
    return true;
}
static_assert(noKeywordOverlapsItself(),
              "the single scan misses occurrences of a keyword that overlaps itself");

constexpr std::array<std::uint64_t, 9> LengthMasks{0,
                                                   0xFFull,
                                                   0xFFFFull,
                                                   0xFFFFFFull,
                                                   0xFFFFFFFFull,
                                                   0xFFFFFFFFFFull,
                                                   0xFFFFFFFFFFFFull,
                                                   0xFFFFFFFFFFFFFFull,
                                                   ~std::uint64_t{0}};

// `text` holds `length` letters with at least eight readable bytes from its start. Written
// without branches but for the one long keyword: whether a word is a keyword is as good as
// random, and a guess that fails costs more than the lookup.
inline bool isKeyword(const char* text, std::size_t length) {
    if (length == LongKeyword.size()) [[unlikely]] {
        return std::memcmp(text, LongKeyword.data(), length) == 0;
    }
    std::uint64_t key;
    std::memcpy(&key, text, sizeof key);
    if constexpr (std::endian::native == std::endian::big) {
        key = __builtin_bswap64(key);
    }
    const bool fits = length - 2 <= 6;
    // A length that cannot be a keyword's gives a key no slot holds.
    key = fits ? key & LengthMasks[length & 7 ? length & 7 : 8] : ~std::uint64_t{0};
    return Keywords.keys[slotOf(key)] == key;
}

// ---------------------------------------------------------------------------------------
// Character tables. What a byte starts depends on which categories are on; where words
// and numbers may begin and end depends only on whether string literals are cut out (the
// quote that closes a literal is where the next piece of code starts).

enum CharClass : std::uint8_t {
    Plain,
    End,    // the guard byte after the line (or a NUL inside it)
    Letter, // starts a run of letters: a keyword candidate
    Digit,  // starts a run of digits: a number candidate
    Single, // a one-character punctuation item
    Joiner, // "_" or "=": an item when a space stands before it
    Amp,    // "& ", "&lt", "&gt"
    Quote,  // opens a string literal
    Apos,   // may open the comment
};

enum BoundaryBit : std::uint8_t {
    WordBefore = 1,
    WordAfter = 2,
    NumberBefore = 4,
    NumberAfter = 8,
};

constexpr bool isAsciiLetter(unsigned c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

using Table = std::array<std::uint8_t, 256>;

enum SwitchBit : unsigned { KeywordOn = 1, NumberOn = 2, OtherOn = 4, StringOn = 8, CommentOn = 16 };

constexpr Table classTable(unsigned on) {
    Table t{};
    t[0] = End;
    for (unsigned c = 0; c < 256; ++c) {
        if ((on & KeywordOn) && isAsciiLetter(c)) {
            t[c] = Letter;
        }
        if ((on & NumberOn) && c >= '0' && c <= '9') {
            t[c] = Digit;
        }
    }
    if (on & OtherOn) {
        for (char c : std::string_view("(),.:*\\+-")) {
            t[static_cast<unsigned char>(c)] = Single;
        }
        t['_'] = Joiner;
        t['='] = Joiner;
        t['&'] = Amp;
    }
    if (on & StringOn) {
        t['"'] = Quote;
    }
    if (on & CommentOn) {
        t['\''] = Apos;
    }
    return t;
}

constexpr std::array<Table, 32> buildClassTables() {
    std::array<Table, 32> tables{};
    for (unsigned on = 0; on < 32; ++on) {
        tables[on] = classTable(on);
    }
    return tables;
}

constexpr std::array<Table, 32> ClassTables = buildClassTables();

constexpr Table boundaryTable(bool stringOn) {
    Table t{};
    for (char c : std::string_view(" \t(")) {
        t[static_cast<unsigned char>(c)] |= WordBefore;
    }
    for (char c : std::string_view(" \t),")) {
        t[static_cast<unsigned char>(c)] |= WordAfter;
    }
    for (char c : std::string_view(" \t(.-")) {
        t[static_cast<unsigned char>(c)] |= NumberBefore;
    }
    for (char c : std::string_view(" \t),.")) {
        t[static_cast<unsigned char>(c)] |= NumberAfter;
    }
    if (stringOn) {
        t['"'] |= WordBefore | WordAfter | NumberBefore | NumberAfter;
    }
    return t;
}

constexpr std::array<Table, 2> BoundaryTables{boundaryTable(false), boundaryTable(true)};

inline unsigned byteAt(const char* text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

// The byte before position i; at 0 it is the guard byte staged in front of every text.
inline unsigned byteBefore(const char* text, std::size_t i) {
    return static_cast<unsigned char>(text[static_cast<std::ptrdiff_t>(i) - 1]);
}

// ---------------------------------------------------------------------------------------
// Eight bytes at a time. Each byte's verdict is its high bit; the first byte of the text
// is the lowest byte of the word.

constexpr std::uint64_t Ones = 0x0101010101010101ull;
constexpr std::uint64_t Highs = 0x8080808080808080ull;

inline std::uint64_t load8(const char* text) {
    std::uint64_t word;
    std::memcpy(&word, text, sizeof word);
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    return word;
}

inline void store8(char* text, std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::big) {
        word = __builtin_bswap64(word);
    }
    std::memcpy(text, &word, sizeof word);
}

// Bytes equal to `c`. Exact for the lowest such byte only (a borrow may mark bytes above
// it), which is all that finding or testing needs.
inline std::uint64_t bytesEqual(std::uint64_t word, unsigned char c) {
    const std::uint64_t x = word ^ (Ones * c);
    return (x - Ones) & ~x & Highs;
}

// Bytes in [low, high], both below 0x80; exact for every byte.
template <unsigned char Low, unsigned char High> inline std::uint64_t bytesBetween(std::uint64_t word) {
    const std::uint64_t low7 = word & ~Highs;
    const std::uint64_t atLeastLow = low7 + Ones * (0x80 - Low);
    const std::uint64_t aboveHigh = low7 + Ones * (0x7F - High);
    return atLeastLow & ~aboveHigh & ~word & Highs;
}

inline std::uint64_t letters(std::uint64_t word) {
    return bytesBetween<'a', 'z'>(word | Ones * 0x20);
}

inline std::uint64_t digits(std::uint64_t word) {
    return bytesBetween<'0', '9'>(word);
}

// Exact for every byte, unlike bytesEqual: a run's end must be its first other byte.
inline std::uint64_t spaces(std::uint64_t word) {
    const std::uint64_t x = word ^ (Ones * ' ');
    return ~(((x & ~Highs) + ~Highs) | x) & Highs;
}

inline std::size_t firstMarked(std::uint64_t marks) {
    return static_cast<std::size_t>(std::countr_zero(marks)) / 8;
}

// The end of the run that `mask` marks, starting at `from`; the guard bytes behind the
// text end every run.
template <std::uint64_t (*Mask)(std::uint64_t)>
inline std::size_t runEnd(const char* text, std::size_t from) {
    for (;;) {
        const std::uint64_t outside = ~Mask(load8(text + from)) & Highs;
        if (outside != 0) {
            return from + firstMarked(outside);
        }
        from += 8;
    }
}

// ---------------------------------------------------------------------------------------
// Output. Stores go in blocks of 16 bytes: the staged line has guard bytes behind it and
// the caller's buffer has OutputSlack, so a short copy never needs a length-driven loop.

enum TagKind : std::uint8_t { TagK, TagN, TagO, TagS, TagC, NoTag };
static_assert(ClassLetters[TagO] == 'o' && ClassLetters[TagC] == 'c',
              "ClassMarkup holds the tags by TagKind");
static_assert(ClassMarkup::OpenRoom < LineColouriser::OutputSlack,
              "a tag copied whole stays within the slack");

constexpr char OpenTags[5][16] = {"<a class=k>", "<a class=n>", "<a class=o>", "<a class=s>", "<a class=c>"};
constexpr std::size_t OpenTagLength = 11;
constexpr std::size_t TagsLength = 15; // an opening and a closing tag
constexpr std::string_view AmpersandEntity = "&amp;";

inline char* put(char* out, const char* from, std::size_t length) {
    std::memcpy(out, from, 16);
    if (length > 16) {
        std::memcpy(out + 16, from + 16, length - 16);
    }
    return out + length;
}

inline bool spacesOnly(const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] != ' ') {
            return false;
        }
    }
    return true;
}

// Writes the tagged tokens of one line in order, with the text between them, and merges
// neighbouring tags as the optimiser does.
//
// The optimiser's rules are written over the markup string: take the first tag, look at
// the next; when they are of one class with only spaces between, drop the closing and
// opening tags between them (and the spaces beyond 42), then resume the search at the
// position where the second tag used to begin. That position falls behind the merged
// tag, so merging goes by pairs; and when spaces were dropped it falls further on, so
// that the tags it passes over cannot start a merge either. Positions are kept here in
// the coordinates of the unmerged markup, where every earlier tag adds 15 characters and
// every entity written for a staged "&" adds what it is longer than the text it stands
// for.
//
// With `Entities`, the staged text holds an "&": the source's own, written "&amp;", or
// the first of the three characters "&lt" or "&gt" that stand for a source "<" or ">"
// (marked in `markers`, one bit per staged byte), written with their semicolon. A token
// never ends inside those three characters, so they are always written together.
//
// `Writing` says what is written for the tags and the text: the page's anchors, another
// markup's tags (ClassMarkup) around the same text, or those tags around forum text. The
// merge positions stay those of the anchors whatever is written.
enum Writing : int { Anchors, Styled, Forum };

template <bool Entities, int Writing = Anchors> class Emitter {
public:
    // Without the optimiser no tag may ever start a merge.
    Emitter(char* out, const char* text, std::size_t length, const std::uint64_t* markers, bool optimize,
            const ClassMarkup* markup = nullptr)
        : out_(out), text_(text), length_(length), markers_(markers), markup_(markup),
          brackets_(Writing == Forum && std::memchr(text, '[', length) != nullptr),
          ampersand_(Entities && !brackets_ ? nextAmpersand(0) : 0),
          resumeAt_(optimize ? 0 : ~std::size_t{0}) {}

    void token(TagKind kind, std::size_t start, std::size_t length) {
        assert(start >= plainFrom_ && "tokens come in order and never overlap");
        if (pending_ != NoTag) {
            const std::size_t gap = start - plainFrom_;
            if (mergeable_ && pending_ == kind && spacesOnly(text_ + plainFrom_, gap)) {
                const std::size_t kept = gap < MaxMergedSpaces ? gap : MaxMergedSpaces;
                resumeAt_ = markupStart(start) + TagsLength + (gap - kept);
                ++count_;
                out_ = put(out_, text_ + plainFrom_, kept);
                out_ = write(out_, start, length);
                mergeable_ = false;
                plainFrom_ = start + length;
                return;
            }
            close();
        }
        out_ = write(out_, plainFrom_, start - plainFrom_);
        mergeable_ = markupStart(start) >= resumeAt_;
        ++count_;
        if constexpr (Writing == Anchors) {
            std::memcpy(out_, OpenTags[kind], 16);
            out_ += OpenTagLength;
        } else {
            std::memcpy(out_, markup_->open[kind].data(), ClassMarkup::OpenRoom);
            out_ += markup_->openSize[kind];
        }
        out_ = write(out_, start, length);
        pending_ = kind;
        plainFrom_ = start + length;
    }

    char* finish(std::size_t length) {
        if (pending_ != NoTag) {
            close();
        }
        return write(out_, plainFrom_, length - plainFrom_);
    }

private:
    // Where staged position `start` stands in the unmerged markup, once everything before
    // it has been written.
    std::size_t markupStart(std::size_t start) const { return start + TagsLength * count_ + longer_; }

    // The first "&" at or after `from`, or the end of the text.
    std::size_t nextAmpersand(std::size_t from) const {
        if (text_[from] == '&') {
            return from;
        }
        const void* found = std::memchr(text_ + from, '&', length_ - from);
        return found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - text_) : length_;
    }

    void close() {
        if constexpr (Writing == Anchors) {
            std::memcpy(out_, "</a>", 4);
            out_ += 4;
        } else {
            std::memcpy(out_, markup_->close[pending_].data(), ClassMarkup::CloseRoom);
            out_ += markup_->closeSize[pending_];
        }
    }

    char* write(char* out, std::size_t from, std::size_t length) {
        if constexpr (Writing == Forum) {
            if (brackets_) {
                return writeForum(out, from, length);
            }
        }
        if constexpr (Entities) {
            if (ampersand_ < from + length) [[unlikely]] {
                return writeWithEntities(out, from, length);
            }
        }
        return put(out, text_ + from, length);
    }

    // Kept out of line so that the common write stays small enough to be inlined.
    [[gnu::noinline]] char* writeWithEntities(char* out, std::size_t from, std::size_t length) {
        const std::size_t end = from + length;
        while (ampersand_ < end) {
            const std::size_t at = ampersand_;
            out = put(out, text_ + from, at - from);
            if ((markers_[at / 64] >> (at % 64)) & 1) {
                if constexpr (Writing == Forum) {
                    *out++ = text_[at + 1] == 'l' ? '<' : '>';
                } else {
                    std::memcpy(out, text_ + at, 3);
                    out[3] = ';';
                    out += 4;
                }
                longer_ += 1;
                from = at + 3;
            } else {
                if constexpr (Writing == Forum) {
                    *out++ = '&';
                } else {
                    std::memcpy(out, AmpersandEntity.data(), AmpersandEntity.size());
                    out += AmpersandEntity.size();
                }
                longer_ += AmpersandEntity.size() - 1;
                from = at + 1;
            }
            ampersand_ = nextAmpersand(from);
        }
        return put(out, text_ + from, end - from);
    }

    // Where forum text must stop at or after `from`, before `end`: at a "[" or, with
    // entities, an "&".
    std::size_t forumStop(std::size_t from, std::size_t end) const {
        // The staged text has guard bytes behind it: a word may always be read whole.
        for (; from < end; from += 8) {
            const std::uint64_t word = load8(text_ + from);
            std::uint64_t marks = bytesEqual(word, '[');
            if constexpr (Entities) {
                marks |= bytesEqual(word, '&');
            }
            if (marks != 0) {
                const std::size_t at = from + firstMarked(marks);
                return at < end ? at : end;
            }
        }
        return end;
    }

    // Each character as itself, a "[" that could open a tag followed by the separator. The
    // merge positions still count the entities the anchors' text would have. Lines without
    // a "[" take the entity writer instead, which finds each "&" with one search.
    char* writeForum(char* out, std::size_t from, std::size_t length) {
        const std::size_t end = from + length;
        for (;;) {
            const std::size_t stop = forumStop(from, end);
            out = put(out, text_ + from, stop - from);
            if (stop == end) {
                return out;
            }
            if (text_[stop] == '[') {
                *out++ = '[';
                from = stop + 1;
                if (from < end && startsForumTag(text_[from])) {
                    std::memcpy(out, ForumSeparator.data(), ForumSeparator.size());
                    out += ForumSeparator.size();
                }
            } else if ((markers_[stop / 64] >> (stop % 64)) & 1) {
                *out++ = text_[stop + 1] == 'l' ? '<' : '>';
                longer_ += 1;
                from = stop + 3;
            } else {
                *out++ = '&';
                longer_ += AmpersandEntity.size() - 1;
                from = stop + 1;
            }
        }
    }

    char* out_;
    const char* text_;
    std::size_t length_;
    const std::uint64_t* markers_;
    const ClassMarkup* markup_;
    // Forum text: the line holds a "[" somewhere.
    bool brackets_;
    std::size_t ampersand_;
    std::size_t resumeAt_;
    std::size_t plainFrom_ = 0;
    std::size_t count_ = 0;
    std::size_t longer_ = 0;
    TagKind pending_ = NoTag;
    bool mergeable_ = false;
};

// The keyword to wrap in the letter run [start, end), which is bounded after: the whole
// run when it is a keyword bounded before; otherwise a keyword repeated at the run's end.
// Each whole-word search resumes behind the occurrence it found, and the start of what
// remains counts as a boundary, so in "IfIf x" the second "If" is wrapped whatever
// precedes the first.
template <class Emit>
inline void wordRun(Emit& emit, const char* f, const std::uint8_t* bounds, std::size_t start,
                    std::size_t end) {
    const std::size_t length = end - start;
    const bool before = (bounds[byteBefore(f, start)] & WordBefore) != 0;
    if (before & isKeyword(f + start, length)) {
        emit.token(TagK, start, length);
        return;
    }
    if (length < 4) {
        return;
    }
    if (length < 2 * LongKeyword.size()) {
        // A repeated keyword starts with a capital in the second half of the run, no more
        // than eight letters from its end: most runs have none there.
        const std::uint64_t capitals = bytesBetween<'A', 'Z'>(load8(f + end - 8));
        const std::size_t half = length / 2 < 8 ? length / 2 : 8;
        const std::uint64_t candidates =
            capitals & (~std::uint64_t{0} << (8 * (8 - half))) & ~(0xFFull << 56);
        if (candidates == 0) {
            return;
        }
    }
    for (std::size_t word = 2; word <= LongKeyword.size() && 2 * word <= length; ++word) {
        const char* last = f + end - word;
        if (last[0] == last[-static_cast<std::ptrdiff_t>(word)] && last[0] >= 'A' && last[0] <= 'Z' &&
            std::memcmp(last - word, last, word) == 0 && isKeyword(last, word)) {
            emit.token(TagK, end - word, word);
            return;
        }
    }
}

constexpr std::size_t GuardBefore = 8;
constexpr std::size_t GuardAfter = 40;

} // namespace

LineColouriser::LineColouriser(const ColourSwitches& switches, bool optimize, const ClassMarkup* markup)
    : switches_(switches), optimize_(optimize),
      markup_(markup != nullptr ? std::make_unique<ClassMarkup>(*markup) : nullptr),
      classes_(ClassTables[(switches.keyword ? unsigned{KeywordOn} : 0u) |
                           (switches.number ? unsigned{NumberOn} : 0u) |
                           (switches.other ? unsigned{OtherOn} : 0u) |
                           (switches.string ? unsigned{StringOn} : 0u) |
                           (switches.comment ? unsigned{CommentOn} : 0u)]
                   .data()),
      boundaries_(BoundaryTables[switches.string ? 1 : 0].data()) {
    if (markup_) {
        std::size_t widest = 0;
        for (std::size_t kind = 0; kind < ClassLetters.size(); ++kind) {
            widest = std::max<std::size_t>(widest, markup_->openSize[kind] + markup_->closeSize[kind]);
        }
        // A class around one byte that is written as an entity ("&lt;") or as a "[" and the
        // separator; a tag copied whole runs less than OutputSlack past its end.
        perByte_ = widest + 1 + ForumSeparator.size();
    }
}

LineColouriser::~LineColouriser() = default;

const char* LineColouriser::stage(std::string_view line, std::size_t& length, std::size_t& apostrophe,
                                  bool& entities) {
    const std::size_t n = line.size();
    const std::size_t need = GuardBefore + 3 * n + 8 + GuardAfter;
    char* base = local_.data();
    if (need > local_.size()) {
        if (need > heapCapacity_) {
            heapCapacity_ = need + need / 2;
            heap_.reset(new char[heapCapacity_]);
        }
        base = heap_.get();
    }
    std::memset(base, '\t', GuardBefore);
    char* const text = base + GuardBefore;
    // The copy goes a word at a time, and each word is looked at on its way: for the
    // first apostrophe, and for anything to escape at all, which most lines lack.
    std::uint64_t escapes = 0;
    apostrophe = std::string_view::npos;
    const char* const from = line.data();
    std::size_t at = 0;
    auto look = [&](std::uint64_t word) {
        // "<" is ">" but for one bit; the high bits are taken once for both tests.
        const std::uint64_t angle = (word | Ones * 0x02) ^ (Ones * '>');
        const std::uint64_t ampersand = word ^ (Ones * '&');
        escapes |= ((angle - Ones) & ~angle) | ((ampersand - Ones) & ~ampersand);
        if (apostrophe == std::string_view::npos) {
            if (const std::uint64_t marks = bytesEqual(word, '\'')) {
                apostrophe = at + firstMarked(marks);
            }
        }
    };
#if defined(__SSE2__)
    // Sixteen bytes at a time where the target has them, the same tests as look() makes.
    {
        const __m128i angleBit = _mm_set1_epi8(0x02);
        const __m128i angles = _mm_set1_epi8('>');
        const __m128i ampersands = _mm_set1_epi8('&');
        const __m128i apostrophes = _mm_set1_epi8('\'');
        int escaped = 0;
        for (; at + 16 <= n; at += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(text + at), block);
            escaped |= _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(_mm_or_si128(block, angleBit), angles),
                                                      _mm_cmpeq_epi8(block, ampersands)));
            if (apostrophe == std::string_view::npos) {
                if (const int marks = _mm_movemask_epi8(_mm_cmpeq_epi8(block, apostrophes))) {
                    apostrophe =
                        at + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(marks)));
                }
            }
        }
        escapes |= escaped != 0 ? Highs : 0;
    }
#endif
    for (; at + 8 <= n; at += 8) {
        const std::uint64_t word = load8(from + at);
        store8(text + at, word);
        look(word);
    }
    std::uint64_t tail = 0;
    if (at < n) {
        if (n >= 8) {
            // The last eight bytes of the line, moved down to drop those already copied.
            tail = load8(from + n - 8) >> (8 * (at + 8 - n));
        } else {
            char bytes[8] = {};
            std::memcpy(bytes, from, n);
            tail = load8(bytes);
        }
        look(tail);
    }
    store8(text + at, tail);
    std::memset(text + at + 8, 0, GuardAfter);
    std::size_t m = n;
    std::size_t first = n;
    if ((escapes & Highs) != 0) {
        for (first = 0; first < n; first += 8) {
            if (const std::uint64_t marks = bytesEqual(load8(text + first) | Ones * 0x02, '>')) {
                first += firstMarked(marks);
                break;
            }
        }
    }
    if (first < n) {
        // The copy stands as it is up to the first "<" or ">"; from there on it is written
        // again with each of them as "&lt" or "&gt", and the "&" of each marked as not
        // the source's own.
        if (apostrophe != std::string_view::npos && apostrophe > first) {
            apostrophe = std::string_view::npos;
        }
        markers_.assign((first + 3 * (n - first)) / 64 + 1, 0);
        m = first;
        for (std::size_t i = first; i < n; ++i) {
            const char c = from[i];
            if (c == '<' || c == '>') {
                markers_[m / 64] |= std::uint64_t{1} << (m % 64);
                text[m] = '&';
                text[m + 1] = c == '<' ? 'l' : 'g';
                text[m + 2] = 't';
                m += 3;
                continue;
            }
            if (c == '\'' && apostrophe == std::string_view::npos) {
                apostrophe = m;
            }
            text[m++] = c;
        }
        std::memset(text + m, 0, GuardAfter);
    } else if ((escapes & Highs) != 0) {
        markers_.assign(n / 64 + 1, 0);
    }
    // Behind the end of the text: a NUL that ends every scan, then a quote that ends the
    // search for a closing quote without a bound to test.
    text[m + 1] = '"';
    length = m;
    entities = (escapes & Highs) != 0;
    return text;
}

char* LineColouriser::writeLine(char* out, std::string_view line) {
    std::size_t m = 0;
    std::size_t apostrophe = std::string_view::npos;
    bool entities = false;
    const char* text = stage(line, m, apostrophe, entities);
    if (!switches_.comment) {
        apostrophe = std::string_view::npos;
    } else if (apostrophe != std::string_view::npos && !switches_.string) {
        // With literals left in the code, the quotes before the apostrophe decide on their
        // own whether it stands inside one.
        std::size_t quotes = 0;
        for (std::size_t i = 0; i < apostrophe; ++i) {
            quotes += text[i] == '"' ? 1 : 0;
        }
        if (quotes % 2 != 0) {
            apostrophe = std::string_view::npos;
        }
    }
    if (!markup_) {
        return entities ? colour<true, Anchors>(out, text, m, apostrophe)
                        : colour<false, Anchors>(out, text, m, apostrophe);
    }
    if (markup_->forumText) {
        return entities ? colour<true, Forum>(out, text, m, apostrophe)
                        : colour<false, Forum>(out, text, m, apostrophe);
    }
    return entities ? colour<true, Styled>(out, text, m, apostrophe)
                    : colour<false, Styled>(out, text, m, apostrophe);
}

// One pass over the staged line. `apostrophe` is where the comment starts when it is
// reached outside string literals (npos when there is none); literals are cut out as
// they are met, and the code between them is coloured with the piece's edges standing
// for the start and end of the text, as the recursive rules see them.
template <bool Entities, int Writing>
char* LineColouriser::colour(char* out, const char* f, std::size_t m, std::size_t apostrophe) {
    const std::uint8_t* classes = classes_;
    const std::uint8_t* bounds = boundaries_;
    Emitter<Entities, Writing> emit(out, f, m, markers_.data(), optimize_, markup_.get());
    auto boundedAfter = [&](std::size_t end, std::uint8_t bit) {
        return (bounds[byteAt(f, end)] & bit) != 0 || end == m || end == apostrophe;
    };
    std::size_t i = 0;
    for (;;) {
        std::uint8_t c;
        while ((c = classes[byteAt(f, i)]) == Plain) {
            // Indentation and the spaces that line up comments come in runs: passed over
            // eight at a time.
            i = f[i + 1] == ' ' && f[i] == ' ' ? runEnd<spaces>(f, i + 2) : i + 1;
        }
        switch (c) {
        case End:
            if (i >= m) {
                return emit.finish(m);
            }
            ++i;
            break;
        case Letter: {
            const std::size_t end = runEnd<letters>(f, i + 1);
            if (boundedAfter(end, WordAfter)) {
                wordRun(emit, f, bounds, i, end);
            }
            i = end;
            break;
        }
        case Digit: {
            const std::size_t end = runEnd<digits>(f, i + 1);
            if ((bounds[byteBefore(f, i)] & NumberBefore) && boundedAfter(end, NumberAfter)) {
                emit.token(TagN, i, end - i);
            }
            i = end;
            break;
        }
        case Single:
            emit.token(TagO, i, 1);
            ++i;
            break;
        case Joiner:
            // " _" and " =": the space before may not be taken by "& ", which is applied
            // later and so never takes a space followed by one of them.
            if (byteBefore(f, i) == ' ') {
                emit.token(TagO, i - 1, 2);
            }
            ++i;
            break;
        case Amp:
            if (f[i + 1] == ' ') {
                if (f[i + 2] != '_' && f[i + 2] != '=') {
                    emit.token(TagO, i, 2);
                    i += 2;
                    break;
                }
            } else if (f[i + 2] == 't' && (f[i + 1] == 'l' || f[i + 1] == 'g')) {
                emit.token(TagO, i, 3);
                i += 3;
                break;
            }
            ++i;
            break;
        case Quote: {
            std::size_t close = i + 1;
            for (;;) {
                if (const std::uint64_t marks = bytesEqual(load8(f + close), '"')) {
                    close += firstMarked(marks);
                    break;
                }
                close += 8;
            }
            if (close >= m) {
                emit.token(TagS, i, m - i);
                return emit.finish(m);
            }
            emit.token(TagS, i, close + 1 - i);
            i = close + 1;
            break;
        }
        case Apos:
            if (i == apostrophe) {
                emit.token(TagC, i, m - i);
                return emit.finish(m);
            }
            ++i;
            break;
        default:
            ++i;
            break;
        }
    }
}

} // namespace quillon
