// Batches of many files: pages are written on several threads and put in place as they are
// done or, when they replace others, in groups; yet the log keeps the order of the files and
// every page is what "page" writes.

#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

TEST(CliBatch, ManyFilesOnSeveralThreadsLogInOrderAndMatchSinglePages) {
    ScratchDir scratch;
    const char* samples[] = {"form.frm", "module.bas", "class.cls", "plain.txt", "single.bas"};
    const long sampleLines[] = {18, 10, 12, 2, 0};
    std::vector<std::string> names;
    for (int i = 0; i < 60; ++i) {
        names.push_back("f" + std::to_string(i) + "_" + samples[i % 5]);
        fs::copy_file(dataDir() / "pages" / samples[i % 5], scratch / names.back());
    }
    // A missing file, a binary file and a target that is a folder fail among the others.
    names.insert(names.begin() + 17, "gone.bas");
    names.insert(names.begin() + 30, "Tool.bas");
    writeBytes(scratch / "Tool.bas", "MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0"s);
    fs::create_directory(scratch / "f40_form.frm.html");
    std::string arguments = "batch --jobs 3" + headerFooter(dataDir() / "pages");
    for (const std::string& name : names) {
        arguments += ' ' + q(scratch / name);
    }
    const CliResult r = runCli(arguments);
    EXPECT_EQ(r.status, 1) << r.err;

    std::string expected = "Convert this files :\n";
    for (const std::string& name : names) {
        expected += name + "\n";
    }
    expected += std::string(66, '-') + "\n";
    for (const std::string& name : names) {
        expected += name + ".html ";
        if (name == "gone.bas") {
            expected += "Failed: You must choose a Visual Basic File before !\n";
        } else if (name == "Tool.bas") {
            expected +=
                "Failed: ERREUR n\u00B0321 in Cparti: Not a text file: " + (scratch / name).string() + "\n";
        } else if (name == "f40_form.frm") {
            expected += "Failed: ERREUR n\u00B075 in Cparti: Path/File access error: " +
                        (scratch / "f40_form.frm.html").string() + "\n";
        } else {
            const std::string sample = name.substr(name.find('_') + 1);
            const auto at = std::find(std::begin(samples), std::end(samples), sample) - std::begin(samples);
            expected += "Create " + std::to_string(sampleLines[at]) + " lines\n";
        }
    }
    expected += "Work Completed\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_FALSE(fs::exists(scratch / "Tool.bas.html"));
    EXPECT_FALSE(fs::exists(scratch / "gone.bas.html"));

    for (const std::string& name : names) {
        if (name.starts_with('f') && name != "f40_form.frm") {
            const fs::path single = scratch / (name + ".single.html");
            const CliResult one = runCli("page" + headerFooter(dataDir() / "pages") + " " +
                                         q(scratch / name) + " " + q(single));
            ASSERT_EQ(one.status, 0) << one.err;
            EXPECT_EQ(readBytes(scratch / (name + ".html")), readBytes(single)) << name;
        }
    }
    // Again over the pages just made: new pages are put in place by the workers, replaced
    // ones synced and put in place in groups by another thread; the log is the same.
    ASSERT_TRUE(fs::remove(scratch / "f2_class.cls.html"));
    const CliResult again = runCli(arguments);
    EXPECT_EQ(again.status, 1) << again.err;
    EXPECT_EQ(again.out, expected);
    EXPECT_EQ(readBytes(scratch / "f2_class.cls.html"), readBytes(scratch / "f2_class.cls.single.html"));
    // Nothing half-written is left behind: only sources, pages and the folder in the way.
    for (const auto& entry : fs::directory_iterator(scratch.path())) {
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    }
}

// A header or footer the batch cannot read is left to each page, which fails as it would alone.
TEST(CliBatch, MissingFooterFailsEveryPageAndCreatesNothing) {
    ScratchDir scratch;
    fs::copy_file(dataDir() / "pages" / "form.frm", scratch / "Form1.frm");
    const CliResult r = runCli("batch --footer " + q(scratch / "none.txt") + " " + q(scratch / "Form1.frm"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Form1.frm.html Failed: You must choose a Footer File before !\n"),
              std::string::npos);
    EXPECT_EQ(r.out.find("Create"), std::string::npos);
    EXPECT_FALSE(fs::exists(scratch / "Form1.frm.html"));
}

} // namespace
} // namespace quillon::test
