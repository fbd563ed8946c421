// The project reader, the outline and the site writer, over the fixture project in
// tests/data/site/demo (Windows paths in another case than the files, a missing member).

#include "engine/outline.h"
#include "engine/site.h"
#include "engine/vb_project.h"
#include "io/file_system.h"
#include "io/text_decoding.h"
#include "io/text_reader.h"
#include "page_test_support.h"
#include "support/legacy_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <regex>
#include <set>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

fs::path demoDir() {
    return dataDir() / "site" / "demo";
}

TEST(VbProject, ReadsAProjectFileAsTheIdeWritesIt) {
    const VbProject project = readProject((demoDir() / "Demo.vbp").string());
    EXPECT_EQ(project.name, "Demo");
    EXPECT_EQ(project.title, "Demo & <Test>");
    EXPECT_EQ(project.exeName, "Demo.exe");
    EXPECT_EQ(project.startup, "Form1");
    EXPECT_EQ(project.version, "1.2.3");
    ASSERT_EQ(project.members.size(), 4U);
    // "FORM1.FRM" and "Src\Module1.bas" name Form1.frm and src/module1.bas.
    EXPECT_EQ(project.members[0].kind, MemberKind::Form);
    EXPECT_EQ(fs::path(project.members[0].path), fs::path(demoDir() / "Form1.frm").lexically_normal());
    EXPECT_EQ(project.members[1].name, "Module1");
    EXPECT_EQ(fs::path(project.members[1].path),
              fs::path(demoDir() / "src" / "module1.bas").lexically_normal());
    EXPECT_EQ(project.members[2].kind, MemberKind::Class);
    EXPECT_EQ(project.members[2].name, "Counter");
    EXPECT_TRUE(project.members[2].found());
    EXPECT_EQ(project.members[3].declaredPath, "Lost.frm");
    EXPECT_FALSE(project.members[3].found());
    ASSERT_EQ(project.references.size(), 1U);
    EXPECT_EQ(project.references[0].guid, "{00020430-0000-0000-C000-000000000046}");
    EXPECT_EQ(project.references[0].description, "OLE Automation");
    ASSERT_EQ(project.components.size(), 1U);
    EXPECT_EQ(project.components[0].file, "MSCOMCTL.OCX");
    // A group naming a project that is not there reads the others and names the missing one.
    ScratchDir dir;
    writeBytes(dir / "All.vbg", "VBGROUP 5.0\r\nStartupProject=" + (demoDir() / "demo.VBP").string() +
                                    "\r\nProject=Gone\\Gone.vbp\r\n");
    const ProjectsOfInput group = projectsOfInput((dir / "All.vbg").string());
    ASSERT_EQ(group.projects.size(), 1U);
    ASSERT_EQ(group.failures.size(), 1U);
    EXPECT_NE(group.failures[0].description().find("Gone.vbp"), std::string::npos);
}

TEST(Outline, FindsProceduresAndDeclarationsWithUniqueAnchors) {
    const std::vector<std::string> lines = {
        "Option Explicit",
        "Private Declare Function GetTickCount Lib \"kernel32\" () As Long",
        "Public Type Point",
        "End Type",
        "Enum Colour",
        "End Enum",
        "Public Event Changed()",
        "Friend Static Function Twice(x) As Long",
        "    Exit Function",
        "End Function",
        "Property Get Value() As Long",
        "End Property",
        "Property Let Value(ByVal v As Long)",
        "Sub Main() _",
        "    ' Sub Inside",
        "Private Sub L2()",
        "Sub_Total = 1",
        "' Sub Commented()",
    };
    const std::vector<OutlineEntry> outline = outlineOf(lines);
    std::vector<std::string> shown;
    for (const OutlineEntry& entry : outline) {
        shown.push_back(entry.scope + "|" + entry.kind + "|" + entry.name + "|" + std::to_string(entry.line) +
                        "|" + entry.anchor);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{
                         "Private|Declare|GetTickCount|2|GetTickCount",
                         "Public|Type|Point|3|Point",
                         "|Enum|Colour|5|Colour",
                         "Public|Event|Changed|7|Changed",
                         "Friend|Function|Twice|8|Twice",
                         "|Property Get|Value|11|Value",
                         "|Property Let|Value|13|Value_2",
                         "|Sub|Main|14|Main",
                         "Private|Sub|L2|16|L2_",
                     }));
}

// A whole text is split as the reader splits a file, whichever break ends a line and
// wherever it falls in the blocks the text is scanned in.
TEST(Outline, AWholeTextGivesTheLinesAndEntriesOfItsLinesOneByOne) {
    const std::vector<std::string> pieces = {"Sub A()", "Private Function Long_Name_Here()",
                                             "x = 1",   "        ",
                                             "\r",      "\n",
                                             "\r\n",    "Property Get P()",
                                             " _"};
    std::mt19937 random(99);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int i = random() % 40; i > 0; --i) {
            text += pieces[random() % pieces.size()];
        }
        OutlineBuilder whole;
        std::size_t longest = 0;
        OutlineBuilder byLine;
        for (const std::string_view line : files::splitTextLines(text)) {
            byLine.add(line);
            longest = std::max(longest, line.size());
        }
        EXPECT_EQ(whole.addText(text), longest) << text;
        EXPECT_EQ(whole.lines(), byLine.lines()) << text;
        std::vector<std::string> anchors;
        for (const OutlineEntry& entry : whole.take()) {
            anchors.push_back(std::to_string(entry.line) + entry.anchor);
        }
        std::vector<std::string> expected;
        for (const OutlineEntry& entry : byLine.take()) {
            expected.push_back(std::to_string(entry.line) + entry.anchor);
        }
        EXPECT_EQ(anchors, expected) << text;
    }
}

SiteResult publish(const fs::path& source, const fs::path& site) {
    SiteSettings settings;
    settings.page = jobFor({}, {});
    settings.outputFolder = site.string();
    settings.jobs = 2;
    RecordedLog log;
    return writeSite({source.string()}, settings, log.log);
}

// The page's code as a reader sees and copies it: the line and procedure marks of the site
// taken away, then read as any coloured body.
std::string codeText(const std::string& page) {
    return withoutTags(std::regex_replace(bodyOf(page), std::regex("<span [^>]*>|</span>"), ""));
}

// Every id of the page is unique and every local link finds its file and its anchor.
void expectLinksResolve(const fs::path& page) {
    const std::string text = readBytes(page);
    std::set<std::string> ids;
    const std::regex id(R"re(\bid="([^"]*)")re");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), id); it != std::sregex_iterator(); ++it) {
        EXPECT_TRUE(ids.insert((*it)[1]).second) << page << ": id " << (*it)[1] << " twice";
    }
    const std::regex href(R"re(\b(?:href|HREF)="([^"]*)")re");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), href); it != std::sregex_iterator(); ++it) {
        const std::string link = (*it)[1];
        const std::size_t hash = link.find('#');
        const std::string file = link.substr(0, hash);
        const fs::path target = file.empty() ? page : page.parent_path() / file;
        ASSERT_TRUE(fs::is_regular_file(target)) << page << " links to " << link;
        if (hash != std::string::npos) {
            EXPECT_NE(readBytes(target).find("id=\"" + link.substr(hash + 1) + "\""), std::string::npos)
                << page << " links to " << link;
        }
    }
}

TEST(Site, PublishesAProjectAndRewritesOnlyWhatChanged) {
    ScratchDir dir;
    const fs::path project = dir / "project";
    fs::copy(demoDir(), project, fs::copy_options::recursive);
    const fs::path site = dir / "site";
    fs::create_directories(site);
    writeBytes(site / "notes.txt", "mine");

    const SiteResult first = publish(project / "Demo.vbp", site);
    EXPECT_TRUE(first.complete());
    EXPECT_EQ(first.pagesWritten, 3U);
    EXPECT_EQ(first.missingMembers, 1U);
    const std::string index = readBytes(site / "index.html");
    EXPECT_NE(index.find("Lost.frm"), std::string::npos);
    EXPECT_NE(index.find("<td>1.2.3</td>"), std::string::npos);
    EXPECT_NE(index.find("MSCOMCTL.OCX"), std::string::npos);
    // The originals byte for byte (CRLF and code page kept), the form's resources with them.
    EXPECT_EQ(readBytes(site / "Form1.frm"), readBytes(project / "Form1.frm"));
    EXPECT_EQ(readBytes(site / "Form1.frx"), readBytes(project / "Form1.frx"));
    const char* pages[] = {"Form1.frm", "src/module1.bas", "src/Counter.cls"};
    for (const char* member : pages) {
        const fs::path page = site / (std::string(member) + ".html");
        EXPECT_EQ(codeText(readBytes(page)), expectedBody(files::decodeToUtf8(readBytes(project / member))))
            << member;
        expectLinksResolve(page);
    }
    expectLinksResolve(site / "index.html");
    EXPECT_NE(readBytes(site / "Form1.frm.html")
                  .find("<span class=\"p\" id=\"Form_Load\"></span><span class=\"l\" "
                        "id=\"L11\""),
              std::string::npos);

    // One source changes, one leaves the project: only its page is written again, the
    // other's files go, and the file the site did not write stays.
    const auto before = fs::last_write_time(site / "src" / "Counter.cls.html");
    std::string module = readBytes(project / "src" / "module1.bas");
    writeBytes(project / "src" / "module1.bas", module + "Sub Added()\r\nEnd Sub\r\n");
    fs::last_write_time(project / "src" / "module1.bas",
                        fs::file_time_type::clock::now() + std::chrono::seconds(5));
    std::string vbp = readBytes(project / "Demo.vbp");
    vbp.erase(vbp.find("Form=FORM1.FRM\r\n"), 16);
    writeBytes(project / "Demo.vbp", vbp);
    const SiteResult second = publish(project / "Demo.vbp", site);
    EXPECT_TRUE(second.complete());
    // The module's page only (its source and its navigation line changed); the class's
    // page is as it was.
    EXPECT_EQ(second.pagesWritten, 1U);
    EXPECT_EQ(fs::last_write_time(site / "src" / "Counter.cls.html"), before);
    EXPECT_FALSE(fs::exists(site / "Form1.frm.html"));
    EXPECT_FALSE(fs::exists(site / "Form1.frm"));
    EXPECT_FALSE(fs::exists(site / "Form1.frx"));
    EXPECT_EQ(readBytes(site / "notes.txt"), "mine");
    EXPECT_NE(readBytes(site / "src" / "module1.bas.html").find("id=\"Added\""), std::string::npos);
    expectLinksResolve(site / "src" / "module1.bas.html");
    const SiteResult third = publish(project / "Demo.vbp", site);
    EXPECT_EQ(third.pagesWritten, 0U);
    EXPECT_EQ(third.filesWritten, 0U);

    // What a machine that stopped before the data reached the disk leaves: the names with
    // empty files. The next run writes them again though their sources did not change.
    const std::string page = readBytes(site / "src" / "Counter.cls.html");
    const std::string copy = readBytes(site / "src" / "Counter.cls");
    fs::resize_file(site / "src" / "Counter.cls.html", 0);
    fs::resize_file(site / "src" / "Counter.cls", 0);
    const SiteResult afterCrash = publish(project / "Demo.vbp", site);
    EXPECT_EQ(afterCrash.pagesWritten, 1U);
    EXPECT_EQ(afterCrash.filesWritten, 1U);
    EXPECT_EQ(readBytes(site / "src" / "Counter.cls.html"), page);
    EXPECT_EQ(readBytes(site / "src" / "Counter.cls"), copy);

    // A file in the way that the site did not write is left alone and named.
    const fs::path other = dir / "other";
    fs::create_directories(other);
    writeBytes(other / "index.html", "theirs");
    const SiteResult blocked = publish(project / "Demo.vbp", other);
    EXPECT_FALSE(blocked.complete());
    EXPECT_EQ(readBytes(other / "index.html"), "theirs");
}

// A page copies its original from the bytes it reads; a source too large to be read whole
// is copied on its own. Both copies are the sources byte for byte. The large one repeats one
// procedure's name tens of thousands of times, which once took its outline minutes, and
// its only byte outside ASCII, at its very end, makes it Windows-1252.
TEST(Site, CopiesEveryOriginalWhetherItsPageReadItWholeOrNot) {
    ScratchDir dir;
    const fs::path project = dir / "project";
    fs::create_directories(project);
    std::string large = "Attribute VB_Name = \"Large\"\r\n";
    while (large.size() <= files::TextReader::WholeFileSize + files::TextReader::ChunkSize) {
        large += "Sub S()\r\n    x = \"et\"\r\nEnd Sub\r\n";
    }
    large += "' caf\xE9\r\n";
    writeBytes(project / "Large.bas", large);
    writeBytes(project / "Small.bas", "Attribute VB_Name = \"Small\"\nSub T()\nEnd Sub");
    const fs::path site = dir / "site";

    const SiteResult result = publish(project, site);
    EXPECT_TRUE(result.complete());
    EXPECT_EQ(result.pagesWritten, 2U);
    EXPECT_EQ(readBytes(site / "Large.bas"), large);
    EXPECT_NE(readBytes(site / "Large.bas.html").find("caf\u00E9"), std::string::npos);
    EXPECT_EQ(readBytes(site / "Small.bas"), readBytes(project / "Small.bas"));
    EXPECT_EQ(publish(project, site).filesUnchanged, result.pagesWritten + result.filesWritten);
}

// A module whose bytes say little of their code page is read in its project's, though it
// lies in another folder than the forms that name it, on the index as on its page, and
// again when a run rewrites its page alone.
TEST(Site, WeakMembersTakeTheCodePageOfTheirProject) {
    ScratchDir dir;
    const fs::path project = dir / "project";
    fs::create_directories(project / "src");
    writeBytes(project / "main.frm", encodeAs(vb6Form(phrasesOf("big5").phrases, 4, 0, 136), "CP950"));
    writeBytes(project / "src" / "tool.bas", "Attribute VB_Name = \"Tool\"\r\nx = 1 ' \xA4\xA4\r\n");
    writeBytes(project / "P.vbp", "Form=main.frm\r\nModule=Tool; src\\tool.bas\r\nName=\"P\"\r\n");
    const fs::path site = dir / "site";
    ASSERT_TRUE(publish(project / "P.vbp", site).complete());
    EXPECT_NE(readBytes(site / "index.html")
                  .find("src/tool.bas</a></td><td>Tool</td><td class=\"count\">2</td>"
                        "<td class=\"count\">0</td><td>CP950</td>"),
              std::string::npos)
        << readBytes(site / "index.html");
    EXPECT_NE(readBytes(site / "src" / "tool.bas.html").find("' \u4E2D"), std::string::npos);

    writeBytes(project / "src" / "tool.bas", "Attribute VB_Name = \"Tool\"\r\ny = 2 ' \xA4\xA4\r\n");
    fs::last_write_time(project / "src" / "tool.bas",
                        fs::file_time_type::clock::now() + std::chrono::seconds(5));
    EXPECT_EQ(publish(project / "P.vbp", site).pagesWritten, 1U);
    EXPECT_NE(readBytes(site / "src" / "tool.bas.html").find("' \u4E2D"), std::string::npos);
}

TEST(Site, SummaryGivesEachCountItsNoun) {
    SiteResult one;
    one.projects = one.members = one.pagesWritten = one.filesWritten = one.filesUnchanged = one.filesRemoved =
        1;
    EXPECT_EQ(siteSummary(one), "1 project, 1 member, 0 missing, 1 page written, 1 other file written, "
                                "1 file unchanged, 1 file removed");
    SiteResult several;
    several.projects = 2;
    several.members = 5;
    several.pagesFailed = 2;
    EXPECT_EQ(siteSummary(several), "2 projects, 5 members, 0 missing, 0 pages written, 2 pages failed, "
                                    "0 other files written, 0 files unchanged, 0 files removed");
}

} // namespace
} // namespace quillon::test
