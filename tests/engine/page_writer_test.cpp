#include "engine/page_writer.h"
#include "io/text_decoding.h"
#include "io/text_reader.h"
#include "page_test_support.h"
#include "support/literal_colouriser.h"
#include "vb6_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace quillon {
namespace {

namespace fs = std::filesystem;
using test::jobFor;
using test::pagesDir;

// Every source in the pages folder (but its header and footer) is a case: its page is
// "<source>.html" with the style embedded and tags merged, "<source>.plain.html" without
// merging and "<source>.linked.html" with a linked style sheet, as those files exist. A
// new case is a source and its page.
struct GoldenPage {
    std::string source;
    std::string page;
};
void PrintTo(const GoldenPage& c, std::ostream* out) {
    *out << c.page;
}

std::vector<GoldenPage> goldenPages() {
    std::vector<GoldenPage> cases;
    for (const auto& entry : fs::directory_iterator(pagesDir())) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".html") || name == "header.txt" || name == "footer.txt") {
            continue;
        }
        bool found = false;
        for (const char* variant : {".html", ".plain.html", ".linked.html"}) {
            if (fs::exists(pagesDir() / (name + variant))) {
                cases.push_back({name, name + variant});
                found = true;
            }
        }
        if (!found) {
            cases.push_back({name, name + ".html"}); // fails, or is made with QUILLON_REGENERATE=1
        }
    }
    std::sort(cases.begin(), cases.end(), [](const auto& a, const auto& b) { return a.page < b.page; });
    return cases;
}

class Pages : public testing::TestWithParam<GoldenPage> {};

// Colouring and merging tags only ever add markup: the text a reader sees is the source.
TEST_P(Pages, MatchTheirGoldenFilesAndShowTheSource) {
    const GoldenPage& c = GetParam();
    test::ScratchDir scratch;
    PageJob job = jobFor(pagesDir() / c.source, scratch / "page.html");
    job.optimize = !c.page.ends_with(".plain.html");
    if (c.page.ends_with(".linked.html")) {
        job.linkedStyleSheet = "my style.css";
    }
    test::RecordingBar bar;
    const long lines = convertPage(job, bar);
    const std::string page = test::readBytes(scratch / "page.html");
    test::expectMatchesGolden(page, pagesDir() / c.page);
    EXPECT_EQ(bar.caption(), "Finish :" + std::to_string(lines) + " lines");
    EXPECT_EQ(bar.value(), 0);

    const std::string source = files::decodeToUtf8(test::readBytes(pagesDir() / c.source));
    // The optimiser writes a run of more than 42 spaces between merged tags as 42.
    ASSERT_TRUE(!job.optimize || source.find(std::string(43, ' ')) == std::string::npos);
    long expectedLines = 0;
    EXPECT_EQ(test::withoutTags(test::bodyOf(page)), test::expectedBody(source, {}, &expectedLines));
    EXPECT_EQ(lines, expectedLines);
}

INSTANTIATE_TEST_SUITE_P(Sources, Pages, testing::ValuesIn(goldenPages()),
                         [](const testing::TestParamInfo<GoldenPage>& param) {
                             std::string name = param.param.page;
                             for (char& ch : name) {
                                 ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
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
    test::RecordingBar bar;
    EXPECT_EQ(convertPage(jobFor(scratch / "s.bas", scratch / "s.bas.html"), bar), 24);
    ASSERT_EQ(bar.captions.size(), 3u);
    EXPECT_TRUE(bar.captions[0].starts_with("Working : ")) << bar.captions[0];
    EXPECT_TRUE(bar.captions[1].starts_with("Working : ")) << bar.captions[1];
    EXPECT_EQ(bar.captions[2], "Finish :24 lines");
    EXPECT_EQ(bar.max(), static_cast<double>(source.size()));
}

TEST(PageWriter, LinkedSheetNameCannotAddMarkup) {
    test::ScratchDir scratch;
    PageJob job = jobFor(pagesDir() / "single.bas", scratch / "p.html");
    job.linkedStyleSheet = "a\"><script>.css";
    SilentProgress bar;
    convertPage(job, bar);
    const std::string page = test::readBytes(scratch / "p.html");
    EXPECT_NE(page.find("HREF=\"a&quot;&gt;&lt;script&gt;.css\">"), std::string::npos) << page;
}

TEST(PageWriter, WrittenPageReplacesNothingUntilCommitted) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "page.html", "the old page");
    SilentProgress bar;
    WrittenPage written = writePage(jobFor(pagesDir() / "form.frm", scratch / "page.html"), bar);
    EXPECT_EQ(written.LineCount, 18);
    EXPECT_EQ(test::readBytes(scratch / "page.html"), "the old page");
    written.page.prepareCommit();
    written.page.commit();
    test::expectMatchesGolden(test::readBytes(scratch / "page.html"), pagesDir() / "form.frm.html");
}

// A large source is read once, as UTF-8 while it is: one that is not, late in the file, is
// written again from a source decided whole, and nothing of the first try is left.
TEST(PageWriter, ALargeSourceFoundNotToBeUtf8LateIsWrittenAgainInItsCodePage) {
    test::ScratchDir scratch;
    std::string source = "caf\xC3\xA9\r\n";
    for (int i = 0; source.size() <= files::TextReader::WholeFileSize + files::TextReader::ChunkSize; ++i) {
        source += "Dim x" + std::to_string(i) + " As Long\r\n";
    }
    source += "' \x93the end\x94\r\n";
    test::writeBytes(scratch / "late.bas", source);
    SilentProgress bar;
    convertPage(jobFor(scratch / "late.bas", scratch / "late.bas.html"), bar);
    const std::string text = test::withoutTags(test::bodyOf(test::readBytes(scratch / "late.bas.html")));
    EXPECT_TRUE(text.starts_with("caf\u00C3\u00A9\r\n")) << text.substr(0, 40);
    EXPECT_TRUE(text.ends_with("' \u201Cthe end\u201D\r\n")) << text.substr(text.size() - 40);
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path()), fs::directory_iterator()), 2);
}

// A whole generated form through the page writer: every body line must be what the
// literal rules make of it, optimised as the rules say, and show its source line.
TEST(PageWriter, GeneratedFormMatchesTheLiteralRulesLineByLine) {
    test::ScratchDir scratch;
    const std::string source = bench::generateSource(11, bench::SourceKind::Form, 300'000);
    test::writeBytes(scratch / "gen.frm", source);
    SilentProgress bar;
    convertPage(jobFor(scratch / "gen.frm", scratch / "gen.frm.html"), bar);
    const std::string body = test::bodyOf(test::readBytes(scratch / "gen.frm.html"));
    EXPECT_EQ(body, test::expectedBody(source, [](std::string_view line) {
                  return literal::OptimizeTag(literal::lineStep(line, ColourSwitches{}));
              }));
    EXPECT_EQ(test::withoutTags(body), test::expectedBody(source));
}

} // namespace
} // namespace quillon
