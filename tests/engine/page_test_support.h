#pragma once
// What the page tests share: a job on the bundled header and footer, a bar that keeps its
// captions, the page's body and the body a source must give.

#include "engine/batch.h"
#include "engine/page_writer.h"
#include "io/file_system.h"
#include "support/markup.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quillon::test {

inline std::filesystem::path pagesDir() {
    return dataDir() / "pages";
}

inline PageJob jobFor(const std::filesystem::path& source, const std::filesystem::path& target) {
    PageJob job;
    job.source = source.string();
    job.target = target.string();
    job.header = (pagesDir() / "header.txt").string();
    job.footer = (pagesDir() / "footer.txt").string();
    return job;
}

struct RecordingBar : SilentProgress {
    std::vector<std::string> captions;
    void setCaption(const std::string& c) override {
        captions.push_back(c);
        SilentProgress::setCaption(c);
    }
};

// A batch's log kept as lines. After `failAfter` lines it fails as a full standard output
// does; the line of a file being converted shows with its index.
struct RecordedLog final : BatchLogSink {
    std::vector<std::string> lines;
    std::size_t failAfter = std::string::npos;
    BatchLog log{*this, {"Convert this files :", [](Refusal r) {
                             return "refused " + std::to_string(static_cast<int>(r));
                         }}};
    void addLine(const std::string& line) override {
        if (lines.size() == failAfter) {
            raise(vberr::DiskFull, "standard output");
        }
        lines.push_back(line);
    }
    void converting(std::size_t index, const std::string& line) override {
        lines.push_back(std::to_string(index) + ": " + line);
    }
};

// The lines between "<PRE>" and "</pre>", line breaks included.
inline std::string bodyOf(const std::string& page) {
    const std::size_t open = page.find("<PRE>\r\n");
    const std::size_t close = page.rfind("</pre>\r\n");
    if (open == std::string::npos || close == std::string::npos || close < open + 7) {
        ADD_FAILURE() << "no body in the page";
        return {};
    }
    return page.substr(open + 7, close - open - 7);
}

// The text a reader sees of a body: tags removed, entities decoded. A body that is not
// well formed reads as a note that no source line holds.
inline std::string withoutTags(std::string_view body) {
    return visibleText(body).value_or("(not well-formed markup)");
}

// The body a page must hold, worked out from the source by the rules of the page rather
// than by the writer: the descriptive block up to the "Attribute" lines after "Attribute
// VB_Name" is skipped and the first line after it gets one space, unless that leaves less
// than two lines, when the whole file is converted as it is; lines starting "Attribute"
// are dropped everywhere. `render`, when given, makes a body line of a source line. `lineCount`
// receives what the writer counts: one less than the lines from the first converted one.
inline std::string expectedBody(std::string_view decodedSource,
                                const std::function<std::string(std::string_view)>& render = {},
                                long* lineCount = nullptr) {
    const std::vector<std::string_view> lines = files::splitTextLines(decodedSource);
    std::size_t first = 0;
    bool spaced = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].starts_with("Attribute VB_Name")) {
            std::size_t body = i + 1;
            while (body < lines.size() && lines[body].starts_with("Attribute")) {
                ++body;
            }
            if (body + 1 < lines.size()) {
                first = body;
                spaced = true;
            }
            break;
        }
    }
    if (lineCount != nullptr) {
        *lineCount = lines.size() > first ? static_cast<long>(lines.size() - first) - 1 : 0;
    }
    std::string out;
    for (std::size_t i = first; i < lines.size(); ++i) {
        if (!lines[i].starts_with("Attribute")) {
            const std::string line =
                i == first && spaced ? std::string(lines[i]) + ' ' : std::string(lines[i]);
            out += (render ? render(line) : line) + "\r\n";
        }
    }
    return out;
}

} // namespace quillon::test
