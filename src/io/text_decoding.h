#pragma once
// Deciding which encoding a text file is in. Every file the program reads (sources,
// header, footer, style sheets, language files) is decided here, so they all agree.
//
// The rule, in order: a UTF-8, UTF-16 or UTF-32 byte-order mark decides; otherwise valid
// UTF-8 (plain ASCII included) is UTF-8; otherwise the file is in the ANSI code page of
// its author's Windows: the one its form's fonts name (their `Charset`) when that reads
// its bytes, else the Windows code page of the script that the detector finds in a
// sample of its bytes outside ASCII. A few such bytes that read as ordinary Western text
// are weak evidence: Windows-1252, the code page of most VB6 authors, then wins over a
// rarer answer. A byte the chosen code page cannot read is read as Windows-1252 on its
// own; the rest of the file stays in the code page.

#include "io/text_codecs.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::files {

// How firmly a file's own bytes decide its code page.
enum class EncodingEvidence {
    // A byte-order mark, UTF-8 or plain ASCII: no code page is involved.
    None,
    // A few bytes outside ASCII that read as well in Windows-1252, or bytes the detector
    // could not place.
    Weak,
    // A form's fonts name the code page, or the detector had enough bytes to go on.
    Strong,
    // The detector's answer, where another code page of the same script reads every byte
    // as well (Big5 and GBK): the file counts in the choice of its folder, and follows it.
    Contested,
};

struct EncodingVerdict {
    EncodingDecision decision;
    EncodingEvidence evidence = EncodingEvidence::None;
    // With weak or contested evidence: the file's bytes outside ASCII with a little context, so that
    // the code page of its folder can be tried on them (see EncodingHint).
    std::string sample;
};

// The one place where the program decides how a file's bytes are to be read. The bytes are
// fed from the start of the file, in pieces; the decision can be asked for at any point.
class EncodingDetector {
public:
    // The most bytes the detector is given: runs of bytes outside ASCII, each with a few
    // ASCII bytes of context, up to this size.
    static constexpr std::size_t SampleSize = 4 * 1024;

    void feed(std::string_view bytes);
    // `wholeText`: every byte of the file was fed. Otherwise the decision is made on a
    // sample, and a character cut by the sample's end is not held against UTF-8.
    EncodingVerdict verdict(bool wholeText) const;
    EncodingDecision decide(bool wholeText) const { return verdict(wholeText).decision; }
    // Reading further cannot change the decision any more.
    bool settled() const noexcept;

private:
    void sampleRuns(std::string_view bytes);
    void takeRun(std::string_view bytes, std::size_t& pos);
    void rememberContext(std::string_view ascii);
    void scanDescriptiveBlock(std::string_view bytes);
    EncodingVerdict codePageVerdict() const;

    std::array<unsigned char, 4> head_{};
    std::size_t headLength_ = 0;
    Utf8Validator validator_;
    std::string sample_;
    // The ASCII bytes just before the next run (the context it is sampled with), and how
    // many ASCII bytes after the last run still belong to it.
    std::string before_;
    std::size_t after_ = 0;
    // Bytes between the last sampled byte and the next were left out.
    bool gap_ = false;
    bool sampleFull_ = false;
    // The start of a form or user control, up to the end of its descriptive block.
    std::string descriptive_;
    bool descriptiveDone_ = false;
    // Decided once: asking again costs nothing.
    mutable std::optional<EncodingVerdict> codePage_;
};

// What the fonts of a form or user control (their `Charset`) say of its code page, from
// the start of the file.
struct FormCharsets {
    // The code page that most of its fonts that are not Western name.
    std::optional<EncodingDecision> codePage;
    // It has at least as many Western (ANSI) fonts as fonts of that code page.
    bool mostlyWestern = false;
};
FormCharsets formCharsets(std::string_view descriptiveBlock);

// What a batch learns from the files of one folder: a project is written in one code
// page, so the one its files with strong evidence agree on is the best reading of the
// files whose own evidence is weak. Add the verdict of every file of the folder, then
// take each file's decision from decisionFor().
class EncodingHint {
public:
    void add(const EncodingVerdict& verdict);
    // The code page most files with strong evidence were decided in.
    std::optional<EncodingDecision> codePage() const;
    // `verdict`'s own decision, unless its evidence is weak and the folder's code page
    // reads its bytes.
    EncodingDecision decisionFor(const EncodingVerdict& verdict) const;

private:
    std::vector<std::pair<EncodingDecision, int>> votes_;
};

// A whole text in memory, decided and decoded by the rule above.
std::string decodeToUtf8(std::string_view bytes);

namespace detail {

// What uchardet makes of `sample`: its name for the encoding, empty when it cannot tell.
std::string detectCharset(std::string_view sample);

// The decision uchardet's answer leads to for `sample`, or nothing when the answer is no
// use (no answer, an encoding the bytes already failed, one iconv cannot decode).
std::optional<EncodingDecision> codePageFor(std::string_view detected, std::string_view sample);

// The sample's bytes outside ASCII read as ordinary Western text in Windows-1252:
// accented letters alone or in pairs, symbols that do not sit inside words.
bool readsAsWesternText(std::string_view sample);
// The sample without the runs of one byte repeated outside ASCII (a line of "¤" framing a
// comment), which tell nothing of its script.
std::string withoutDecoration(std::string_view sample);

} // namespace detail

} // namespace quillon::files
