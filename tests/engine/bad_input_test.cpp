// Input the page writer must refuse without harm: binary data, devices, a header too long
// to hold, the page under another name. (Huge lines within the limit are the colouriser's
// tests.)

#include "base/vb_error.h"
#include "engine/page_writer.h"
#include "io/file_system.h"
#include "page_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <list>
#include <string>
#include <sys/stat.h>

namespace quillon {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::jobFor;

struct FailedJob {
    const char* name;
    // Makes the job's files in the folder, beside the old page "page.html" it targets.
    std::function<void(const test::ScratchDir&, PageJob&)> make;
    int number;
    std::string message; // "$" stands for the folder
};

const std::string OwnFile = "The page would replace its own ";

const FailedJob failedJobs[] = {
    {"binarySource",
     [](const auto& d, PageJob&) { test::writeBytes(d / "s.bas", "MZ\x90\0\x03\0\0\0\xFF"s); },
     vberr::InvalidFileFormat, "Not a text file: $/s.bas"},
    {"missingFooter", [](const auto& d, PageJob& job) { job.footer = (d / "no.txt").string(); }, 53,
     "File not found: $/no.txt"},
    {"headerTooLarge",
     [](const auto& d, PageJob& job) {
         job.header = (d / "h.txt").string();
         test::writeBytes(job.header, std::string(files::MaxHeldText + 1, '\n'));
     },
     vberr::InvalidFileFormat, "Larger than 1 MiB: $/h.txt"},
    {"sourcePipe",
     [](const auto& d, PageJob& job) {
         job.source = (d / "fifo").string();
         ::mkfifo(job.source.c_str(), 0600);
     },
     vberr::PathFileAccess, "Not a plain file: $/fifo"},
    {"footerFolder", [](const auto& d, PageJob& job) { job.footer = d.path().string(); },
     vberr::PathFileAccess, "Not a plain file: $"},
    {"sourceHardLink",
     [](const auto& d, PageJob& job) {
         fs::create_hard_link(d / "page.html", d / "h.bas");
         job.source = (d / "h.bas").string();
     },
     vberr::PathFileAccess, OwnFile + "source file: $/page.html"},
    {"headerThroughDotDot",
     [](const auto& d, PageJob& job) {
         fs::create_directory(d / "sub");
         job.header = (d / "sub/../page.html").string();
     },
     vberr::PathFileAccess, OwnFile + "header file: $/page.html"},
    {"footerHardLink",
     [](const auto& d, PageJob& job) {
         fs::create_hard_link(d / "page.html", d / "f.txt");
         job.footer = (d / "f.txt").string();
     },
     vberr::PathFileAccess, OwnFile + "footer file: $/page.html"},
    {"styleSheetSymbolicLink",
     [](const auto& d, PageJob& job) {
         fs::create_symlink(d / "page.html", d / "st.css");
         job.otherInputs = {(d / "st.css").string()};
     },
     vberr::PathFileAccess, OwnFile + "style sheet file: $/page.html"},
};

// Input that is no text, too big to hold, a device, missing, or the page itself under
// another name: the error names the file, the old page stays and nothing is left behind.
// Each job reports to the reporter of its own context: nothing is shared between them.
TEST(FailedPages, LeaveTheOldPageAndNothingElse) {
    std::list<test::RecordingReporter> reporters; // all alive, so none takes another's place
    for (const FailedJob& c : failedJobs) {
        SCOPED_TRACE(c.name);
        test::ScratchDir scratch;
        test::writeBytes(scratch / "page.html", "the old page");
        test::writeBytes(scratch / "s.bas", "Dim a\r\n");
        PageJob job = jobFor(scratch / "s.bas", scratch / "page.html");
        c.make(scratch, job);
        std::string message = c.message;
        message.replace(message.find('$'), 1, scratch.path().string());
        SilentProgress bar;
        test::RecordingReporter& reporter = reporters.emplace_back();
        EXPECT_FALSE(Cparti(job, {bar, nullptr, reporter}).converted);
        ASSERT_EQ(reporter.errors.size(), 1u);
        EXPECT_EQ(reporter.errors[0].procedure, "Cparti");
        EXPECT_EQ(reporter.errors[0].number, c.number);
        EXPECT_EQ(reporter.errors[0].description, message);
        EXPECT_EQ(test::readBytes(scratch / "page.html"), "the old page");
        for (const auto& entry : fs::directory_iterator(scratch.path())) {
            EXPECT_FALSE(entry.path().filename().string().starts_with("."))
                << "left behind: " << entry.path();
        }
    }
}

} // namespace
} // namespace quillon
