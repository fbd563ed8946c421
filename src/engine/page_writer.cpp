#include "engine/page_writer.h"

#include "base/ascii_text.h"
#include "base/vb_error.h"
#include "engine/colorise.h"
#include "engine/html_text.h"
#include "engine/long_line.h"
#include "io/atomic_file.h"
#include "io/file_system.h"
#include "io/text_reader.h"
#include "scheme/style_sheet.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace quillon {

namespace {

constexpr std::string_view AttributePrefix = "Attribute";
constexpr std::string_view NamePrefix = "Attribute VB_Name";

void copyWholeFile(const std::string& path, const std::shared_ptr<const std::string>& text,
                   files::AtomicTextWriter& page) {
    if (text) {
        page.Write(*text);
    } else {
        page.Write(readCopiedText(path));
    }
}

// A page written over one of its own inputs would destroy it before it is read. Only a
// target that exists can be one of them: the usual new page costs one look.
void refuseToOverwriteAnInput(const PageJob& job) {
    if (!files::FileExists(job.target)) {
        return;
    }
    std::vector<std::pair<std::string, const char*>> inputs = {
        {job.source, "source"}, {job.header, "header"}, {job.footer, "footer"}};
    for (const std::string& input : job.otherInputs) {
        inputs.emplace_back(input, "style sheet");
    }
    for (const auto& [input, role] : inputs) {
        if (files::sameFile(input, job.target)) {
            raiseWithText(vberr::PathFileAccess,
                          "The page would replace its own " + std::string(role) + " file: " + job.target);
        }
    }
}

class PageConversion {
public:
    // `restartable`: a large source may be read once as UTF-8 on the strength of its first
    // chunk, at the price of EncodingRevised should it turn out not to be.
    PageConversion(const PageJob& job, const ConversionContext& context,
                   files::TextReader::Restartable restartable)
        : job_(job), bar_(context.progress), context_(context), restartable_(restartable),
          colouriser_(switchesOf(job.scheme), job.optimize) {
        if (job.extras) {
            const auto found = job.extras->find(job.target);
            if (found != job.extras->end()) {
                extras_ = &found->second;
            }
        }
        if (job.format != OutputFormat::Html) {
            formatted_.emplace(job.format, job.scheme, "\r\n");
            extras_ = nullptr;
        }
    }

    long run() {
        files::AtomicTextWriter page = write();
        page.commit();
        bar_.setValue(0);
        bar_.setCaption("Finish :" + std::to_string(lineCount_) + " lines");
        return lineCount_;
    }

    // Everything but putting the page in place: the complete page waits in the writer.
    files::AtomicTextWriter write() {
        refuseToOverwriteAnInput(job_);
        // A page is made again from its source at will: only an existing one is worth
        // the wait for the disk (see Durability).
        files::AtomicTextWriter page(job_.target, files::Durability::WhenReplacing);
        if (framedByHeaderAndFooter()) {
            copyWholeFile(job_.header, job_.headerText, page);
        }

        files::requirePlainFile(job_.source);
        std::unique_ptr<files::TextReader> source;
        if (job_.sourceDecision) {
            source = std::make_unique<files::TextReader>(job_.source, *job_.sourceDecision);
        } else {
            // What went down a pipe or to a device cannot be taken back.
            source = std::make_unique<files::TextReader>(
                job_.source, job_.sourceEncoding,
                files::TextReader::Restartable{restartable_.allowed && !page.writesStraightThrough()});
        }
        if (job_.onSourceDecided) {
            job_.onSourceDecided(source->verdict());
        }
        if (extras_ != nullptr && !extras_->copyTo.empty()) {
            originalCopied_ = copyOriginal(*source, extras_->copyTo);
        }
        writeOpening(page);

        std::string line;
        bool haveLine = true;
        line = VaAuDebut(*source);
        if (lineContinues_) {
            endOfLongLine_ = " ";
        } else {
            line += ' ';
        }
        lineNumber_ = linesRead_;
        if (source->AtEndOfStream()) {
            // No attribute block, or nothing after it: the whole file is converted from its
            // first line, read again in the encoding already decided.
            source = std::make_unique<files::TextReader>(source->reopened());
            bytesRead_ = 0;
            endOfLongLine_.clear();
            haveLine = readNext(*source, line);
            lineNumber_ = 1;
        }
        source_ = source.get();
        const double sourceSize = static_cast<double>(source->size());
        bar_.setMax(sourceSize - static_cast<double>(bytesRead_));
        bytesRead_ = 0;

        if (haveLine) {
            while (!source->AtEndOfStream()) {
                context_.yieldToUi();
                processLine(line, page);
                readNext(*source, line);
                AvancePB();
            }
            processLine(line, page);
            endRoom(page);
        }

        bar_.setValue(bar_.max());
        if (formatted_) {
            std::string closing;
            formatted_->end(closing);
            page.Write(closing);
            if (framedByHeaderAndFooter()) {
                copyWholeFile(job_.footer, job_.footerText, page);
            }
            source->Close();
            return page;
        }
        if (extras_ != nullptr) {
            // Anchors past the last shown line still land in the page, at its end.
            writeAnchorsUpTo(std::numeric_limits<long>::max(), page);
            page.WriteLine("</pre>");
            page.Write(extras_->afterCode);
        } else {
            page.WriteLine("</pre>");
        }
        copyWholeFile(job_.footer, job_.footerText, page);
        source->Close();
        return page;
    }

    long lineCount() const { return lineCount_; }
    std::optional<std::uint64_t> originalCopied() const { return originalCopied_; }

private:
    // The copy is a file of its own, not part of the page: should it fail, the page goes on
    // and its caller copies the original the usual way, which tells why.
    static std::optional<std::uint64_t> copyOriginal(const files::TextReader& source,
                                                     const std::string& copyTo) {
        const std::optional<std::string_view> bytes = source.wholeFile();
        if (!bytes) {
            return std::nullopt;
        }
        try {
            files::AtomicTextWriter copy(copyTo, files::Durability::WhenReplacing);
            copy.Write(*bytes);
            copy.commit();
            return copy.size();
        } catch (const VbError&) {
            return std::nullopt;
        }
    }

    bool framedByHeaderAndFooter() const {
        return job_.format == OutputFormat::Html || job_.format == OutputFormat::HtmlInline;
    }

    void writeOpening(files::AtomicTextWriter& page) {
        const auto& colours = job_.scheme.ConfigCouleur;
        if (framedByHeaderAndFooter()) {
            page.WriteLine("<BODY BGCOLOR=\"" + HEXA(colours[Background].Color) + "\" TEXT=\"" +
                           HEXA(colours[Normal].Color) + "\">");
        }
        if (formatted_) {
            // The style rules would be lost where these formats are pasted.
            std::string opening;
            formatted_->begin(opening);
            page.Write(opening);
            return;
        }
        if (job_.linkedStyleSheet) {
            page.WriteLine("<LINK TYPE=\"text/CSS\" rel=\"stylesheet\" HREF=\"" +
                           attributeText(*job_.linkedStyleSheet) + "\">");
        } else {
            page.WriteLine("<style>");
            page.WriteLine("<!--");
            for (const std::string& rule : pageStyleLines(job_.scheme, job_.darkScheme)) {
                page.WriteLine(rule);
            }
            page.WriteLine("-->");
            page.WriteLine("</style>");
        }
        if (extras_ != nullptr) {
            page.Write(extras_->beforeCode);
        }
        page.WriteLine("<PRE>");
    }

    // The first line of the body: the line after the attribute block that follows the
    // "Attribute VB_Name" line, or empty when there is no such block or nothing after it.
    std::string VaAuDebut(files::TextReader& source) {
        std::string line;
        bool named = false;
        while (readNext(source, line)) {
            countRead(line);
            context_.yieldToUi();
            skipRestOfLine(source);
            if (line.starts_with(NamePrefix)) {
                named = true;
                break;
            }
        }
        if (!named) {
            return {};
        }
        while (readNext(source, line)) {
            countRead(line);
            context_.yieldToUi();
            if (!line.starts_with(AttributePrefix)) {
                return line;
            }
            skipRestOfLine(source);
        }
        return {};
    }

    // The next line, or the first piece of one too long to hold whole (lineContinues_).
    bool readNext(files::TextReader& source, std::string& line) {
        return source.readPiece(line, lineContinues_);
    }

    // A line left out of the page is read to its end all the same: only its start counts.
    void skipRestOfLine(files::TextReader& source) {
        std::string piece;
        while (lineContinues_) {
            source.readPiece(piece, lineContinues_);
            bytesRead_ += static_cast<long long>(piece.size());
        }
    }

    void countRead(const std::string& line) {
        bytesRead_ += static_cast<long long>(line.size()) + 2;
        ++linesRead_;
    }

    // The line is escaped, coloured and optimised straight into the page's buffer.
    // Escaping leaves the "Attribute" that starts a dropped line as it is, so the test is
    // made on the line as read.
    // Room is asked of the page for many lines at once and handed back before anything
    // else is written to it (endRoom()).
    void processLine(const std::string& line, files::AtomicTextWriter& page) {
        countRead(line);
        const long number = lineNumber_++;
        if (!PasAttribute(line)) {
            skipRestOfLine(*source_);
            return;
        }
        if (lineContinues_) {
            processLongLine(line, number, page);
            return;
        }
        if (formatted_) {
            processFormattedLine(line, page);
            return;
        }
        if (extras_ != nullptr) {
            processLineWithExtras(line, number, page);
            return;
        }
        const std::size_t need = LineColouriser::maxOutput(line.size()) + 2;
        if (static_cast<std::size_t>(roomEnd_ - out_) < need) {
            endRoom(page);
            const std::size_t room = need > RoomSize ? need : RoomSize;
            out_ = page.reserve(room);
            roomEnd_ = out_ + room;
        }
        char* end = colouriser_.writeLine(out_, line);
        end[0] = '\r';
        end[1] = '\n';
        out_ = end + 2;
    }

    void processFormattedLine(const std::string& line, files::AtomicTextWriter& page) {
        endRoom(page);
        coloured_.resize(LineColouriser::maxOutput(line.size()));
        const char* end = colouriser_.writeLine(coloured_.data(), line);
        formattedLine_.clear();
        formatted_->feed(std::string_view(coloured_.data(), static_cast<std::size_t>(end - coloured_.data())),
                         formattedLine_);
        formatted_->endLine(formattedLine_);
        page.Write(formattedLine_);
    }

    // The coloured text of a long line, in the chosen format.
    void writeColoured(std::string_view coloured, files::AtomicTextWriter& page) {
        if (!formatted_) {
            page.Write(coloured);
            return;
        }
        formattedLine_.clear();
        formatted_->feed(coloured, formattedLine_);
        page.Write(formattedLine_);
    }

    // The line as its own element; the anchors due by then come before it. Written into
    // the room the plain lines use: a site's page costs no more calls per line.
    void processLineWithExtras(const std::string& line, long number, files::AtomicTextWriter& page) {
        const auto& anchors = extras_->anchors;
        if (nextAnchor_ < anchors.size() && anchors[nextAnchor_].first <= number) {
            endRoom(page);
            writeAnchorsUpTo(number, page);
        }
        char digits[24];
        const std::string_view shown(
            digits,
            static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits));
        constexpr std::string_view open = "<span class=\"l\" id=\"L";
        constexpr std::string_view between = "\" data-n=\"";
        constexpr std::string_view openEnd = "\">";
        constexpr std::string_view close = "</span>\r\n";
        const std::size_t need = open.size() + between.size() + openEnd.size() + 2 * shown.size() +
                                 LineColouriser::maxOutput(line.size()) + close.size();
        if (static_cast<std::size_t>(roomEnd_ - out_) < need) {
            endRoom(page);
            const std::size_t room = need > RoomSize ? need : RoomSize;
            out_ = page.reserve(room);
            roomEnd_ = out_ + room;
        }
        char* out = out_;
        for (const std::string_view piece : {open, shown, between, shown, openEnd}) {
            out = std::copy(piece.begin(), piece.end(), out);
        }
        out = colouriser_.writeLine(out, line);
        out_ = std::copy(close.begin(), close.end(), out);
    }

    // A line too long to hold whole is coloured piece by piece as it is read.
    void processLongLine(const std::string& firstPiece, long number, files::AtomicTextWriter& page) {
        endRoom(page);
        constexpr std::string_view lineBreak = "\r\n";
        constexpr std::string_view closeLine = "</span>\r\n";
        if (extras_ != nullptr) {
            writeAnchorsUpTo(number, page);
            const std::string digits = std::to_string(number);
            page.Write("<span class=\"l\" id=\"L" + digits + "\" data-n=\"" + digits + "\">");
        }
        if (!longLine_) {
            longLine_.emplace(switchesOf(job_.scheme), job_.optimize);
        }
        longLine_->begin();
        std::string coloured;
        longLine_->feed(firstPiece, coloured);
        std::string piece;
        while (lineContinues_) {
            writeColoured(coloured, page);
            coloured.clear();
            context_.yieldToUi();
            source_->readPiece(piece, lineContinues_);
            bytesRead_ += static_cast<long long>(piece.size());
            longLine_->feed(piece, coloured);
        }
        longLine_->feed(endOfLongLine_, coloured);
        endOfLongLine_.clear();
        longLine_->end(coloured);
        writeColoured(coloured, page);
        if (formatted_) {
            formattedLine_.clear();
            formatted_->endLine(formattedLine_);
            page.Write(formattedLine_);
            return;
        }
        page.Write(extras_ != nullptr ? closeLine : lineBreak);
    }

    void writeAnchorsUpTo(long number, files::AtomicTextWriter& page) {
        const auto& anchors = extras_->anchors;
        for (; nextAnchor_ < anchors.size() && anchors[nextAnchor_].first <= number; ++nextAnchor_) {
            page.Write("<span class=\"p\" id=\"" + attributeText(anchors[nextAnchor_].second) + "\"></span>");
        }
    }

    void endRoom(files::AtomicTextWriter& page) {
        if (out_ != nullptr) {
            page.commitReserved(out_);
            out_ = roomEnd_ = nullptr;
        }
    }

    void AvancePB() {
        ++lineCount_;
        if (lineCount_ % 10 != 0) {
            return;
        }
        bar_.setValue(static_cast<double>(bytesRead_));
        const double max = bar_.max();
        // A source made almost wholly of its descriptive block leaves nothing to measure.
        const long long percent = max > 0 ? roundHalfEven(bar_.value() / max * 100.0) : 100;
        bar_.setCaption("Working : " + std::to_string(percent) + "%");
    }

    const PageJob& job_;
    ProgressSink& bar_;
    const ConversionContext& context_;
    files::TextReader::Restartable restartable_;
    static constexpr std::size_t RoomSize = 32 * 1024;

    LineColouriser colouriser_;
    std::optional<PiecewiseLineColouriser> longLine_;
    // Set for every format but the page's own HTML, with its scratch buffers.
    std::optional<FormattedOutput> formatted_;
    std::string coloured_;
    std::string formattedLine_;
    files::TextReader* source_ = nullptr;
    // The line handed out last is only the start of a line too long to hold whole.
    bool lineContinues_ = false;
    // What the first line of the body gains at its end, when it is such a line.
    std::string endOfLongLine_;
    char* out_ = nullptr;
    char* roomEnd_ = nullptr;
    long lineCount_ = 0;
    std::optional<std::uint64_t> originalCopied_;
    long long bytesRead_ = 0;
    const PageExtras* extras_ = nullptr;
    long linesRead_ = 0;
    // The source line processLine() is given next.
    long lineNumber_ = 1;
    std::size_t nextAnchor_ = 0;
};

} // namespace

std::string readCopiedText(const std::string& path) {
    return files::readHeldText(path);
}

bool PasAttribute(std::string_view line) {
    return !line.starts_with(AttributePrefix);
}

namespace {

// A page is written to a temporary file, so a large source can be read once, taken for UTF-8
// on its first chunk: should a later byte say otherwise, what was written goes, and the
// page is made again from a source decided whole.
template <typename Convert>
auto convertedReadingOnce(const PageJob& job, const ConversionContext& context, Convert convert) {
    return files::readOnceOrDecideWhole(true, [&](files::TextReader::Restartable restartable) {
        PageConversion conversion(job, context, restartable);
        return convert(conversion);
    });
}

} // namespace

long convertPage(const PageJob& job, const ConversionContext& context) {
    return convertedReadingOnce(job, context, [](PageConversion& conversion) { return conversion.run(); });
}

WrittenPage writePage(const PageJob& job, const ConversionContext& context) {
    return convertedReadingOnce(job, context, [](PageConversion& conversion) {
        files::AtomicTextWriter page = conversion.write();
        return WrittenPage{std::move(page), conversion.lineCount(), conversion.originalCopied()};
    });
}

PageOutcome Cparti(const PageJob& job, const ConversionContext& context) {
    PageOutcome outcome;
    try {
        outcome.LineCount = convertPage(job, context);
        outcome.converted = true;
    } catch (...) {
        outcome.error = currentError();
        context.reporter.report(outcome.error->number(), "Cparti", outcome.error->description());
    }
    return outcome;
}

std::optional<Refusal> refusalOf(const PageJob& job, const std::optional<std::string>& linkedStyleSheetPath) {
    if (auto refusal = refusalOfOwnFiles(job)) {
        return refusal;
    }
    return refusalOfSharedFiles(job, linkedStyleSheetPath);
}

std::optional<Refusal> refusalOfOwnFiles(const PageJob& job) {
    if (!files::FileExists(job.source)) {
        return Refusal::SourceMissing;
    }
    if (asciiUpper(job.target).find(".HTM") == std::string::npos) {
        return Refusal::TargetNotHtm;
    }
    return std::nullopt;
}

std::optional<Refusal> refusalOfSharedFiles(const PageJob& job,
                                            const std::optional<std::string>& linkedStyleSheetPath) {
    if (job.linkedStyleSheet && !files::FileExists(linkedStyleSheetPath.value_or(std::string()))) {
        return Refusal::LinkedSheetMissing;
    }
    if (!files::FileExists(job.header)) {
        return Refusal::HeaderMissing;
    }
    if (!files::FileExists(job.footer)) {
        return Refusal::FooterMissing;
    }
    return std::nullopt;
}

} // namespace quillon
