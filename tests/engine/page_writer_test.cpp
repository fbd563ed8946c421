#include "engine/page_writer.h"
#include "engine/vb_error.h"
#include "platform/files/file_system.h"
#include "support/literal_colouriser.h"
#include "support/test_support.h"
#include "vb6_generator.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon {
namespace {

namespace fs = std::filesystem;

struct RecordingBar : SilentProgress {
    std::vector<std::string> captions;
    void setCaption(const std::string& c) override {
        captions.push_back(c);
        SilentProgress::setCaption(c);
    }
};

PageJob jobFor(const std::string& source, const fs::path& target) {
    PageJob job;
    const fs::path data = test::dataDir() / "pages";
    job.source = (data / source).string();
    job.target = target.string();
    job.header = (data / "header.txt").string();
    job.footer = (data / "footer.txt").string();
    return job;
}

struct GoldenPage {
    const char* source;
    const char* golden;
    bool linked;
    bool optimize;
    long lines;
};

class Pages : public testing::TestWithParam<GoldenPage> {};

TEST_P(Pages, MatchTheirGoldenFiles) {
    const GoldenPage& c = GetParam();
    test::ScratchDir scratch;
    PageJob job = jobFor(c.source, scratch / "page.html");
    job.optimize = c.optimize;
    if (c.linked) {
        job.linkedStyleSheet = "my style.css";
    }
    RecordingBar bar;
    EXPECT_EQ(convertPage(job, bar), c.lines);
    test::expectMatchesGolden(test::readBytes(scratch / "page.html"), test::dataDir() / "pages" / c.golden);
    EXPECT_EQ(bar.caption(), "Finish :" + std::to_string(c.lines) + " lines");
    EXPECT_EQ(bar.value(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, Pages,
    testing::Values(GoldenPage{"form.frm", "form.frm.html", false, true, 18},
                    GoldenPage{"form.frm", "form.frm.plain.html", false, false, 18},
                    GoldenPage{"class.cls", "class.cls.html", true, true, 12},
                    GoldenPage{"module.bas", "module.bas.html", false, true, 10},
                    GoldenPage{"plain.txt", "plain.txt.html", false, true, 2},
                    GoldenPage{"single.bas", "single.bas.html", false, true, 0},
                    GoldenPage{"empty.bas", "empty.bas.html", false, true, 0},
                    GoldenPage{"nofinalbreak.bas", "nofinalbreak.bas.html", false, true, 2},
                    GoldenPage{"bodysingle.frm", "bodysingle.frm.html", false, true, 5},
                    GoldenPage{"attributesatend.frm", "attributesatend.frm.html", false, true, 4},
                    GoldenPage{"mixed.txt", "mixed.txt.html", false, true, 3}),
    [](const testing::TestParamInfo<GoldenPage>& param) {
        std::string name = param.param.golden;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

TEST(PageWriter, ReportsProgressEveryTenthLine) {
    test::ScratchDir scratch;
    std::string source;
    for (int i = 0; i < 25; ++i) {
        source += "x = " + std::to_string(i) + "\r\n";
    }
    test::writeBytes(scratch / "s.bas", source);
    PageJob job = jobFor("single.bas", scratch / "s.bas.html");
    job.source = (scratch / "s.bas").string();
    RecordingBar bar;
    EXPECT_EQ(convertPage(job, bar), 24);
    ASSERT_EQ(bar.captions.size(), 3u);
    EXPECT_TRUE(bar.captions[0].starts_with("Working : ")) << bar.captions[0];
    EXPECT_TRUE(bar.captions[1].starts_with("Working : ")) << bar.captions[1];
    EXPECT_EQ(bar.captions[2], "Finish :24 lines");
    EXPECT_EQ(bar.max(), static_cast<double>(source.size()));
}

TEST(PageWriter, FailureLeavesTheOldPageAndNoTemporaryFile) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "page.html", "the old page");
    PageJob job = jobFor("form.frm", scratch / "page.html");
    job.footer = (scratch / "missing-footer.txt").string();
    SilentProgress bar;
    try {
        convertPage(job, bar);
        FAIL() << "expected an error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number(), 53);
        EXPECT_EQ(e.description(), "File not found: " + job.footer);
    }
    EXPECT_EQ(test::readBytes(scratch / "page.html"), "the old page");
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path()), fs::directory_iterator()), 1);
}

TEST(PageWriter, TrappedFailureIsReportedUnderCpartiAndSaysNotConverted) {
    test::ScratchDir scratch;
    test::RecordingReporter reporter;
    PageJob job = jobFor("form.frm", scratch / "missing" / "page.html");
    SilentProgress bar;
    const PageOutcome outcome = Cparti(job, bar);
    EXPECT_FALSE(outcome.converted);
    ASSERT_EQ(reporter.errors.size(), 1u);
    EXPECT_EQ(reporter.errors[0].number, 76);
    EXPECT_EQ(reporter.errors[0].procedure, "Cparti");
}

TEST(PageWriter, RefusesToWriteOverItsOwnInputs) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "a.bas", "Dim a\r\n");
    fs::create_symlink(scratch / "a.bas", scratch / "a.html");
    PageJob job = jobFor("single.bas", scratch / "a.html");
    job.source = (scratch / "a.bas").string();
    SilentProgress bar;
    EXPECT_THROW(convertPage(job, bar), VbError);
    EXPECT_EQ(test::readBytes(scratch / "a.bas"), "Dim a\r\n");

    job.target = job.header;
    EXPECT_THROW(convertPage(job, bar), VbError);
}

TEST(PageWriter, LinkedSheetNameCannotAddMarkup) {
    test::ScratchDir scratch;
    PageJob job = jobFor("single.bas", scratch / "p.html");
    job.linkedStyleSheet = "a\"><script>.css";
    SilentProgress bar;
    convertPage(job, bar);
    const std::string page = test::readBytes(scratch / "p.html");
    EXPECT_NE(page.find("HREF=\"a&quot;&gt;&lt;script&gt;.css\">"), std::string::npos) << page;
}

TEST(PageWriter, WrittenPageReplacesNothingUntilCommitted) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "page.html", "the old page");
    PageJob job = jobFor("form.frm", scratch / "page.html");
    SilentProgress bar;
    WrittenPage written = writePage(job, bar);
    EXPECT_EQ(written.LineCount, 18);
    EXPECT_EQ(test::readBytes(scratch / "page.html"), "the old page");
    written.page.prepareCommit();
    written.page.commit();
    test::expectMatchesGolden(test::readBytes(scratch / "page.html"),
                              test::dataDir() / "pages" / "form.frm.html");
}

TEST(PageWriter, OverwritingAnExistingPageIsAllowedAndAnInputIsNot) {
    test::ScratchDir scratch;
    PageJob job = jobFor("module.bas", scratch / "page.html");
    SilentProgress bar;
    test::writeBytes(scratch / "page.html", "stale");
    convertPage(job, bar);
    test::expectMatchesGolden(test::readBytes(scratch / "page.html"),
                              test::dataDir() / "pages" / "module.bas.html");
    fs::create_hard_link(job.footer, scratch / "footer-link.html");
    job.target = (scratch / "footer-link.html").string();
    EXPECT_THROW(convertPage(job, bar), VbError);
}

// A whole generated form through the page writer: every body line must be what the
// literal rules make of it, optimised as the rules say.
TEST(PageWriter, GeneratedFormMatchesTheLiteralRulesLineByLine) {
    test::ScratchDir scratch;
    const std::string source = bench::generateSource(11, bench::SourceKind::Form, 300'000);
    test::writeBytes(scratch / "gen.frm", source);
    PageJob job = jobFor("form.frm", scratch / "gen.frm.html");
    job.source = (scratch / "gen.frm").string();
    SilentProgress bar;
    convertPage(job, bar);
    const std::string page = test::readBytes(scratch / "gen.frm.html");
    const auto lines = files::splitTextLines(source);
    std::string expected;
    bool body = false;
    bool first = true;
    for (std::string_view line : lines) {
        if (!body) {
            body = line.starts_with("Attribute VB_Name");
            continue;
        }
        if (line.starts_with("Attribute")) {
            continue;
        }
        std::string text(line);
        if (first) {
            text += ' ';
            first = false;
        }
        expected += literal::OptimizeTag(literal::lineStep(text, ColourSwitches::allOn())) + "\r\n";
    }
    const auto start = page.find("<PRE>\r\n") + 7;
    const auto end = page.find("</pre>\r\n");
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(page.substr(start, end - start), expected);
}

TEST(PageValidation, ChecksInOrderAndReportsTheFirstFailure) {
    test::ScratchDir scratch;
    PageJob job = jobFor("form.frm", scratch / "out.HTM.txt");
    EXPECT_EQ(refusalOf(job, std::nullopt), std::nullopt);
    job.target = (scratch / "out.txt").string();
    EXPECT_EQ(refusalOf(job, std::nullopt), "msg4");
    job.source = scratch.path().string(); // a folder is no source
    EXPECT_EQ(refusalOf(job, std::nullopt), "msg3");
    job = jobFor("form.frm", scratch / "page.html");
    job.linkedStyleSheet = "x.css";
    EXPECT_EQ(refusalOf(job, std::string()), "msg5");
    job.footer += ".gone";
    EXPECT_EQ(refusalOf(job, job.header), "msg7");
    job.header += ".gone";
    EXPECT_EQ(refusalOf(job, job.source), "msg6");
}

} // namespace
} // namespace quillon
