// Input the page writer must survive: binary data, devices, lines too long to hold, the
// page under another name, and the rule that colouring never changes the visible text.

#include "base/vb_error.h"
#include "engine/page_writer.h"
#include "io/file_system.h"
#include "page_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>

namespace quillon {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::jobFor;

// The names in the folder that are hidden: a temporary file left behind would be one.
std::vector<std::string> hiddenIn(const test::ScratchDir& scratch) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(scratch.path())) {
        if (entry.path().filename().string().starts_with(".")) {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

struct FailedJob {
    const char* name;
    // Makes the job's files in the folder, beside the old page "page.html" it targets.
    std::function<void(const test::ScratchDir&, PageJob&)> make;
    int number;
    std::string message; // "$" stands for the folder
};
void PrintTo(const FailedJob& c, std::ostream* out) {
    *out << c.name;
}

class FailedPages : public testing::TestWithParam<FailedJob> {};

// Input that is no text, too big to hold, a device, missing, or the page itself under
// another name: the error names the file, the old page stays and nothing is left behind.
TEST_P(FailedPages, LeaveTheOldPageAndNothingElse) {
    const FailedJob& c = GetParam();
    test::ScratchDir scratch;
    test::writeBytes(scratch / "page.html", "the old page");
    test::writeBytes(scratch / "s.bas", "Dim a\r\n");
    PageJob job = jobFor(scratch / "s.bas", scratch / "page.html");
    c.make(scratch, job);
    std::string message = c.message;
    message.replace(message.find('$'), 1, scratch.path().string());
    SilentProgress bar;
    test::RecordingReporter reporter;
    EXPECT_FALSE(Cparti(job, bar).converted);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0].procedure, "Cparti");
    EXPECT_EQ(reporter.errors[0].number, c.number);
    EXPECT_EQ(reporter.errors[0].description, message);
    EXPECT_EQ(test::readBytes(scratch / "page.html"), "the old page");
    EXPECT_TRUE(hiddenIn(scratch).empty());
}

const std::string OwnFile = "The page would replace its own ";

INSTANTIATE_TEST_SUITE_P(
    Inputs, FailedPages,
    testing::Values(
        FailedJob{"binarySource",
                  [](const auto& d, PageJob&) { test::writeBytes(d / "s.bas", "MZ\x90\0\x03\0\0\0\xFF"s); },
                  vberr::InvalidFileFormat, "Not a text file: $/s.bas"},
        FailedJob{"missingFooter", [](const auto& d, PageJob& job) { job.footer = (d / "no.txt").string(); },
                  53, "File not found: $/no.txt"},
        FailedJob{"lineOverTheLimit",
                  [](const auto& d, PageJob&) {
                      test::writeBytes(d / "s.bas", std::string(files::MaxHeldText + 1, 'x'));
                  },
                  vberr::InvalidFileFormat, "Line longer than 1 MiB: $/s.bas"},
        FailedJob{"headerTooLarge",
                  [](const auto& d, PageJob& job) {
                      job.header = (d / "h.txt").string();
                      test::writeBytes(job.header, std::string(files::MaxHeldText + 1, '\n'));
                  },
                  vberr::InvalidFileFormat, "Larger than 1 MiB: $/h.txt"},
        FailedJob{"sourcePipe",
                  [](const auto& d, PageJob& job) {
                      job.source = (d / "fifo").string();
                      ::mkfifo(job.source.c_str(), 0600);
                  },
                  vberr::PathFileAccess, "Not a plain file: $/fifo"},
        FailedJob{"footerFolder", [](const auto& d, PageJob& job) { job.footer = d.path().string(); },
                  vberr::PathFileAccess, "Not a plain file: $"},
        FailedJob{"sourceHardLink",
                  [](const auto& d, PageJob& job) {
                      fs::create_hard_link(d / "page.html", d / "h.bas");
                      job.source = (d / "h.bas").string();
                  },
                  vberr::PathFileAccess, OwnFile + "source file: $/page.html"},
        FailedJob{"headerThroughDotDot",
                  [](const auto& d, PageJob& job) {
                      fs::create_directory(d / "sub");
                      job.header = (d / "sub/../page.html").string();
                  },
                  vberr::PathFileAccess, OwnFile + "header file: $/page.html"},
        FailedJob{"styleSheetSymbolicLink",
                  [](const auto& d, PageJob& job) {
                      fs::create_symlink(d / "page.html", d / "st.css");
                      job.otherInputs = {(d / "st.css").string()};
                  },
                  vberr::PathFileAccess, OwnFile + "style sheet file: $/page.html"}),
    [](const auto& param) { return std::string(param.param.name); });

struct BigSource {
    const char* name;
    std::string unit;
    std::size_t repeats;
    bool optimize;
    // Tags left in the page (neighbours of one class merge by pairs); -1: not counted.
    long tags;
    // What convertPage returns; -1: not checked.
    long lines;
};
void PrintTo(const BigSource& c, std::ostream* out) {
    *out << c.name;
}

class BigSources : public testing::TestWithParam<BigSource> {};

// Far beyond anything the development environment writes: one pass, no recursion as deep
// as a line is long, every character kept, and each token coloured.
TEST_P(BigSources, KeepEveryCharacterAndColourEachToken) {
    const BigSource& c = GetParam();
    std::string source;
    source.reserve(c.unit.size() * c.repeats + 2);
    for (std::size_t i = 0; i < c.repeats; ++i) {
        source += c.unit;
    }
    test::ScratchDir scratch;
    test::writeBytes(scratch / "s.bas", source);
    PageJob job = jobFor(scratch / "s.bas", scratch / "s.html");
    job.optimize = c.optimize;
    SilentProgress bar;
    const long lines = convertPage(job, bar);
    if (c.lines >= 0) {
        EXPECT_EQ(lines, c.lines);
    }
    const std::string body = test::bodyOf(test::readBytes(scratch / "s.html"));
    EXPECT_TRUE(test::withoutTags(body) == test::expectedBody(source)) << "the visible text changed";
    if (c.tags >= 0) {
        long tags = 0;
        for (std::size_t at = body.find("<a class="); at != std::string::npos;
             at = body.find("<a class=", at + 1)) {
            ++tags;
        }
        EXPECT_EQ(tags, c.tags);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, BigSources,
    testing::Values(
        BigSource{"longSpacesUnoptimised",
                  "Dim a" + std::string(60, ' ') + "As Long\r\nx = 1" + std::string(50, ' ') + "+ 2\r\n", 1,
                  false, -1, -1},
        BigSource{"oneMegabyteOnOneLine", "If a<b Then x = \"s\" & 12: Call F(a, 1.5) Else y = -z ", 19'000,
                  true, -1, -1},
        BigSource{"halfAMillionAdjacentParentheses", "(", 500'000, true, 250'000, -1},
        BigSource{"halfAMillionNumbersBetweenSpaces", "1 ", 500'000, true, 250'000, -1},
        BigSource{"halfAMillionQuotes", "\"", 500'000, true, 125'000, -1},
        BigSource{"halfAMillionCommasBetweenLetters", "x,", 500'000, true, 500'000, -1},
        BigSource{"millionLoneCarriageReturns", "\r", 1'000'000, true, 0, 999'999}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace quillon
