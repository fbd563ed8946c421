// Batches of many files: pages are written on several threads and put in place in groups,
// yet the log keeps the order of the files and every page is what "page" writes.

#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

std::string q(const fs::path& p) {
    return cliQuote(p.string());
}

class CliBatch : public testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(dataDir() / "pages" / "header.txt", scratch / "header.txt");
        fs::copy_file(dataDir() / "pages" / "footer.txt", scratch / "footer.txt");
        const char* samples[] = {"form.frm", "module.bas", "class.cls", "plain.txt", "single.bas"};
        for (int i = 0; i < 60; ++i) {
            std::string name = "f";
            name += std::to_string(i);
            name += '_';
            name += samples[i % 5];
            fs::copy_file(dataDir() / "pages" / samples[i % 5], scratch / name);
            names.push_back(name);
        }
    }
    std::string options() const {
        return " --header " + q(scratch / "header.txt") + " --footer " + q(scratch / "footer.txt");
    }
    ScratchDir scratch;
    std::vector<std::string> names;
};

TEST_F(CliBatch, ManyFilesOnSeveralThreadsLogInOrderAndMatchSinglePages) {
    // A missing file and a target that is a folder fail in the middle of the others.
    names.insert(names.begin() + 17, "gone.bas");
    fs::create_directory(scratch / "f40_form.frm.html");
    std::string arguments = "batch --jobs 3";
    arguments += options();
    for (const std::string& name : names) {
        arguments += ' ';
        arguments += q(scratch / name);
    }
    const CliResult r = runCli(arguments);
    EXPECT_EQ(r.status, 1) << r.err;

    std::string expected = "Convert this files :\n";
    for (const std::string& name : names) {
        expected += name + "\n";
    }
    expected += std::string(66, '-') + "\n";
    for (const std::string& name : names) {
        if (name == "gone.bas") {
            expected += "gone.bas.html Failed: You must choose a Visual Basic File before !\n";
        } else if (name == "f40_form.frm") {
            expected += "f40_form.frm.html Failed: ERREUR n\xC2\xB0"
                        "75 in Cparti: Path/File access error: " +
                        (scratch / "f40_form.frm.html").string() + "\n";
        } else {
            const std::string sample = name.substr(name.find('_') + 1);
            const long lines = sample == "form.frm"     ? 18
                               : sample == "module.bas" ? 10
                               : sample == "class.cls"  ? 12
                               : sample == "plain.txt"  ? 2
                                                        : 0;
            expected += name + ".html Create " + std::to_string(lines) + " lines\n";
        }
    }
    expected += "Work Completed\n";
    EXPECT_EQ(r.out, expected);

    for (const std::string& name : names) {
        if (name == "gone.bas" || name == "f40_form.frm") {
            continue;
        }
        const CliResult single =
            runCli("page" + options() + " " + q(scratch / name) + " " + q(scratch / (name + ".single.html")));
        ASSERT_EQ(single.status, 0) << single.err;
        EXPECT_EQ(readBytes(scratch / (name + ".html")), readBytes(scratch / (name + ".single.html")))
            << name;
    }
    // Nothing half-written is left behind: only sources, pages and the folder in the way.
    for (const auto& entry : fs::directory_iterator(scratch.path())) {
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    }
}

TEST_F(CliBatch, OneJobAndManyJobsWriteTheSameLogAndPages) {
    std::string files;
    for (const std::string& name : names) {
        files += ' ';
        files += q(scratch / name);
    }
    const CliResult one = runCli("batch --jobs 1" + options() + files);
    ASSERT_EQ(one.status, 0) << one.err;
    std::vector<std::string> pages;
    for (const std::string& name : names) {
        pages.push_back(readBytes(scratch / (name + ".html")));
    }
    const CliResult many = runCli("batch --jobs 8" + options() + files);
    ASSERT_EQ(many.status, 0) << many.err;
    EXPECT_EQ(many.out, one.out);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(readBytes(scratch / (names[i] + ".html")), pages[i]) << names[i];
    }
}

} // namespace
} // namespace quillon::test
