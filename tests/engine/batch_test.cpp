// The batch: pages written on several threads and put in place as they are done or, when
// they replace others, in groups; yet outcomes and log keep the order of the files, every
// page is what a single conversion writes, and the log's lines never break.

#include "engine/batch.h"
#include "page_test_support.h"
#include "support/legacy_text.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

BatchSettings settingsOf(unsigned jobs) {
    return {jobFor({}, {}), std::nullopt, jobs};
}

// A source of the scratch folder and its page there.
BatchFile fileIn(const ScratchDir& scratch, const char* source, const char* page) {
    return {(scratch / source).string(), (scratch / page).string()};
}

TEST(Batch, ManyFilesOnSeveralThreadsLogInOrderAndMatchSinglePages) {
    ScratchDir scratch;
    fs::create_directory(scratch / "site");
    const char* samples[] = {"form.frm", "module.bas", "class.cls", "plain.txt", "single.bas"};
    std::vector<BatchFile> files;
    for (int i = 0; i < 60; ++i) {
        const std::string name = "f" + std::to_string(i) + "_" + samples[i % 5];
        fs::copy_file(pagesDir() / samples[i % 5], scratch / name);
        // The caller chooses each page: some go to another folder.
        const fs::path target = (i % 7 == 0 ? scratch / "site" / name : scratch / name).string() + ".html";
        files.push_back({(scratch / name).string(), target.string()});
    }
    // A missing file and a binary file fail among the others.
    files.insert(files.begin() + 17, fileIn(scratch, "gone.bas", "gone.bas.html"));
    files.insert(files.begin() + 30, fileIn(scratch, "Tool.bas", "Tool.bas.html"));
    writeBytes(scratch / "Tool.bas", "MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0"s);

    for (int round = 0; round < 2; ++round) {
        // The second round replaces pages: synced and put in place in groups by another thread.
        RecordedLog log;
        const std::vector<BatchOutcome> outcomes = convertBatch(files, settingsOf(3), log.log);
        ASSERT_EQ(log.lines.size(), 2 * files.size() + 3);
        EXPECT_EQ(log.lines[files.size() + 1], std::string(66, '-'));
        EXPECT_EQ(log.lines.back(), "Work Completed");
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::string name = fs::path(files[i].source).filename().string();
            EXPECT_EQ(log.lines[i + 1], name);
            const std::string& line = log.lines[files.size() + 2 + i];
            SCOPED_TRACE(line);
            if (name == "gone.bas") {
                EXPECT_EQ(outcomes[i].refusal, Refusal::SourceMissing);
                EXPECT_EQ(line, "gone.bas.html Failed: refused 0");
            } else if (name == "Tool.bas") {
                ASSERT_TRUE(outcomes[i].error);
                EXPECT_EQ(line, "Tool.bas.html Failed: ERREUR n\u00B0321 in Cparti: Not a text file: " +
                                    files[i].source);
            } else {
                ASSERT_TRUE(outcomes[i].converted);
                EXPECT_EQ(line, name + ".html Create " + std::to_string(outcomes[i].LineCount) + " lines");
                SilentProgress bar;
                const fs::path single = scratch / "single.html";
                EXPECT_EQ(convertPage(jobFor(files[i].source, single), bar), outcomes[i].LineCount);
                EXPECT_EQ(readBytes(files[i].target), readBytes(single));
            }
        }
    }
    // Nothing half-written is left behind.
    for (const auto& entry : fs::recursive_directory_iterator(scratch.path())) {
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
    }
}

// A header, footer or linked sheet that is missing refuses every page, checked once.
TEST(Batch, MissingSharedFileRefusesEveryPage) {
    ScratchDir scratch;
    fs::copy_file(pagesDir() / "form.frm", scratch / "Form1.frm");
    BatchSettings settings = settingsOf(2);
    settings.page.footer = (scratch / "none.txt").string();
    RecordedLog log;
    const auto outcomes = convertBatch({fileIn(scratch, "Form1.frm", "a.html")}, settings, log.log);
    EXPECT_EQ(outcomes[0].refusal, Refusal::FooterMissing);
    EXPECT_EQ(log.lines[3], "a.html Failed: refused 4");
    EXPECT_FALSE(fs::exists(scratch / "a.html"));
}

// The sources of one folder are read in the code page their forms name: a module with one
// Chinese character is Big5 beside Big5 forms, not Western Latin.
TEST(Batch, WeakSourcesTakeTheCodePageOfTheirFolder) {
    ScratchDir scratch;
    writeBytes(scratch / "main.frm", encodeAs(vb6Form(phrasesOf("big5").phrases, 4, 0, 136), "CP950"));
    writeBytes(scratch / "tool.bas", "x = 1 ' \xA4\xA4\r\n");
    RecordedLog log;
    // The module comes first: it waits for the form, and the log keeps the order.
    const auto outcomes =
        convertBatch({fileIn(scratch, "tool.bas", "tool.html"), fileIn(scratch, "main.frm", "main.html")},
                     settingsOf(1), log.log);
    EXPECT_TRUE(outcomes[0].converted && outcomes[1].converted);
    EXPECT_EQ(log.lines[4], "tool.html Create 0 lines");
    EXPECT_NE(readBytes(scratch / "tool.html").find("' \u4E2D"), std::string::npos);

    // Two forms of one folder name two code pages that both read the module: the first
    // form's wins, with any number of jobs, though the second and smaller one is done first.
    std::string large = encodeAs(vb6Form(phrasesOf("big5").phrases, 4, 0, 136), "CP950");
    while (large.size() < 400'000) {
        large += "x = 1\r\n";
    }
    writeBytes(scratch / "a.frm", large);
    writeBytes(scratch / "b.frm", encodeAs(vb6Form(phrasesOf("gb2312").phrases, 4, 0, 134), "CP936"));
    for (int run = 0; run < 3; ++run) {
        convertBatch({fileIn(scratch, "a.frm", "a.html"), fileIn(scratch, "b.frm", "b.html"),
                      fileIn(scratch, "tool.bas", "tool.html")},
                     settingsOf(2), log.log);
        EXPECT_NE(readBytes(scratch / "tool.html").find("' \u4E2D"), std::string::npos) << "run " << run;
    }
}

TEST(Batch, ControlCharactersInNamesAreEscaped) {
    EXPECT_EQ(BatchLog::shownName("a\nb\tc\rd\x1B\x7F\xC3\xA9.bas"), "a\\nb\\tc\\rd\\x1B\\x7F\xC3\xA9.bas");
    ScratchDir scratch;
    const fs::path source = scratch / "two\nlines.bas";
    fs::copy_file(pagesDir() / "module.bas", source);
    RecordedLog log;
    convertBatch({{source.string(), source.string() + ".html"}}, settingsOf(1), log.log);
    EXPECT_EQ(log.lines[1], "two\\nlines.bas");
    EXPECT_EQ(log.lines[3], "two\\nlines.bas.html Create 10 lines");
}

// A log that cannot be written fails the batch, but only once every page is settled.
TEST(Batch, LogErrorIsRaisedAfterThePages) {
    ScratchDir scratch;
    fs::copy_file(pagesDir() / "module.bas", scratch / "m.bas");
    RecordedLog log;
    log.failAfter = 3;
    EXPECT_THROW(convertBatch({fileIn(scratch, "m.bas", "m.html")}, settingsOf(2), log.log), VbError);
    EXPECT_TRUE(fs::exists(scratch / "m.html"));
}

// The window's run: the caller converts each file; its line shows while it is converted.
TEST(Batch, SequentialRunShowsEachFileAndStopsWhenAsked) {
    struct Scripted final : FileConverter {
        int converted = 0;
        bool goOn() override { return converted < 2; }
        BatchOutcome convert(const BatchFile& file) override {
            ++converted;
            BatchOutcome outcome{file.source != "b.bas", 7, {}, {}};
            if (!outcome.converted) {
                outcome.error = VbError(vberr::PathFileAccess, "Path/File access error: b.bas.html");
            }
            return outcome;
        }
    } converter;
    RecordedLog log;
    const auto outcomes = runBatch(
        {{"a.bas", "a.bas.html"}, {"b.bas", "b.bas.html"}, {"c.bas", "c.bas.html"}}, converter, log.log);
    EXPECT_EQ(outcomes.size(), 2U);
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{
                  "Convert this files :", "a.bas", "b.bas", "c.bas", std::string(66, '-'), "0: Convert a.bas",
                  "a.bas.html Create 7 lines", "1: Convert b.bas",
                  "b.bas.html Failed: ERREUR n\u00B075 in Cparti: Path/File access error: b.bas.html"}));
}

} // namespace
} // namespace quillon::test
