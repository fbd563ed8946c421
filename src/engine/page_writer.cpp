#include "engine/page_writer.h"

#include "engine/colorise.h"
#include "engine/optimize_tag.h"
#include "engine/vb_error.h"
#include "platform/files/atomic_file.h"
#include "platform/files/file_system.h"
#include "platform/files/text_reader.h"
#include "scheme/style_sheet.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace quillon {

namespace {

constexpr std::string_view AttributePrefix = "Attribute";
constexpr std::string_view NamePrefix = "Attribute VB_Name";

// Text that goes into an attribute value of the page: a file name with a quote or an
// angle bracket must not be able to add markup of its own.
std::string attributeText(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void copyWholeFile(const std::string& path, files::AtomicTextWriter& page) {
    files::TextReader reader(path);
    page.Write(reader.ReadAll());
    reader.Close();
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// A page written over one of its own inputs would destroy it before it is read.
void refuseToOverwriteAnInput(const PageJob& job) {
    const std::pair<const std::string*, const char*> inputs[] = {
        {&job.source, "source"}, {&job.header, "header"}, {&job.footer, "footer"}};
    for (const auto& [input, role] : inputs) {
        if (sameFile(job.target, *input)) {
            raiseWithText(vberr::PathFileAccess,
                          "The page would replace its own " + std::string(role) + " file: " + job.target);
        }
    }
}

class PageConversion {
public:
    PageConversion(const PageJob& job, ProgressSink& bar)
        : job_(job), bar_(bar), switches_(switchesOf(job.scheme)) {}

    long run() {
        refuseToOverwriteAnInput(job_);
        files::AtomicTextWriter page(job_.target);
        copyWholeFile(job_.header, page);

        auto source = std::make_unique<files::TextReader>(job_.source);
        writeOpening(page);

        std::string line;
        bool haveLine = true;
        line = VaAuDebut(*source);
        line += ' ';
        if (source->AtEndOfStream()) {
            // No attribute block, or nothing after it: the whole file is converted from its
            // first line.
            source = std::make_unique<files::TextReader>(job_.source);
            bytesRead_ = 0;
            haveLine = source->readLine(line);
        }
        const double sourceSize = static_cast<double>(files::fileSize(job_.source));
        bar_.setMax(sourceSize - static_cast<double>(bytesRead_));
        bytesRead_ = 0;

        if (haveLine) {
            while (!source->AtEndOfStream()) {
                processLine(line, page);
                source->readLine(line);
                AvancePB();
            }
            processLine(line, page);
        }

        bar_.setValue(bar_.max());
        page.WriteLine("</pre>");
        copyWholeFile(job_.footer, page);
        source->Close();
        page.commit();
        bar_.setValue(0);
        bar_.setCaption("Finish :" + std::to_string(lineCount_) + " lines");
        return lineCount_;
    }

private:
    void writeOpening(files::AtomicTextWriter& page) {
        const auto& colours = job_.scheme.ConfigCouleur;
        page.WriteLine("<BODY BGCOLOR=\"" + HEXA(colours[Background].Color) + "\" TEXT=\"" +
                       HEXA(colours[Normal].Color) + "\">");
        if (job_.linkedStyleSheet) {
            page.WriteLine("<LINK TYPE=\"text/CSS\" rel=\"stylesheet\" HREF=\"" +
                           attributeText(*job_.linkedStyleSheet) + "\">");
        } else {
            page.WriteLine("<style>");
            page.WriteLine("<!--");
            for (const std::string& rule : styleSheetLines(job_.scheme)) {
                page.WriteLine(rule);
            }
            page.WriteLine("-->");
            page.WriteLine("</style>");
        }
        page.WriteLine("<PRE>");
    }

    // The first line of the body: the line after the attribute block that follows the
    // "Attribute VB_Name" line, or empty when there is no such block or nothing after it.
    std::string VaAuDebut(files::TextReader& source) {
        std::string line;
        bool named = false;
        while (source.readLine(line)) {
            countRead(line);
            yieldToUi();
            if (line.starts_with(NamePrefix)) {
                named = true;
                break;
            }
        }
        if (!named) {
            return {};
        }
        while (source.readLine(line)) {
            countRead(line);
            yieldToUi();
            if (!line.starts_with(AttributePrefix)) {
                return line;
            }
        }
        return {};
    }

    void countRead(const std::string& line) { bytesRead_ += static_cast<long long>(line.size()) + 2; }

    void processLine(const std::string& line, files::AtomicTextWriter& page) {
        countRead(line);
        escaped_.clear();
        appendEscaped(escaped_, line);
        if (!PasAttribute(escaped_)) {
            return;
        }
        coloured_.clear();
        appendColouredEscapedLine(coloured_, escaped_, switches_);
        if (job_.optimize) {
            optimized_.clear();
            appendOptimized(optimized_, coloured_);
            page.WriteLine(optimized_);
        } else {
            page.WriteLine(coloured_);
        }
    }

    void AvancePB() {
        ++lineCount_;
        if (lineCount_ % 10 != 0) {
            return;
        }
        yieldToUi();
        bar_.setValue(static_cast<double>(bytesRead_));
        const double max = bar_.max();
        // A source made almost wholly of its descriptive block leaves nothing to measure.
        const long long percent = max > 0 ? roundHalfEven(bar_.value() / max * 100.0) : 100;
        bar_.setCaption("Working : " + std::to_string(percent) + "%");
    }

    const PageJob& job_;
    ProgressSink& bar_;
    const ColourSwitches switches_;
    long lineCount_ = 0;
    long long bytesRead_ = 0;
    std::string escaped_;
    std::string coloured_;
    std::string optimized_;
};

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

} // namespace

bool PasAttribute(std::string_view line) {
    return !line.starts_with(AttributePrefix);
}

long convertPage(const PageJob& job, ProgressSink& bar) {
    return PageConversion(job, bar).run();
}

PageOutcome Cparti(const PageJob& job, ProgressSink& bar) {
    PageOutcome outcome;
    trap("Cparti", [&] {
        outcome.LineCount = convertPage(job, bar);
        outcome.converted = true;
    });
    return outcome;
}

std::optional<std::string> refusalOf(const PageJob& job,
                                     const std::optional<std::string>& linkedStyleSheetPath) {
    if (!files::FileExists(job.source)) {
        return "msg3";
    }
    if (upper(job.target).find(".HTM") == std::string::npos) {
        return "msg4";
    }
    if (job.linkedStyleSheet && !files::FileExists(linkedStyleSheetPath.value_or(std::string()))) {
        return "msg5";
    }
    if (!files::FileExists(job.header)) {
        return "msg6";
    }
    if (!files::FileExists(job.footer)) {
        return "msg7";
    }
    return std::nullopt;
}

} // namespace quillon
