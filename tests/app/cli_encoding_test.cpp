// The command line end to end: sources, header and footer in the code pages of their
// authors come out as UTF-8 pages showing the same characters.

#include "cli_test_support.h"
#include "io/text_decoding.h"
#include "support/legacy_text.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

int phrasesShown(const std::string& page, const std::string& form, const std::vector<std::string>& phrases) {
    int shown = 0;
    for (const std::string& phrase : phrases) {
        if (form.find(phrase) != std::string::npos) {
            EXPECT_NE(page.find(phrase), std::string::npos) << phrase;
            ++shown;
        }
    }
    return shown;
}

TEST(CliEncodings, PagesShowTheAuthorsCharactersAndEncodingForcesACodePage) {
    ScratchDir scratch;
    const std::vector<std::string> chinese = phrasesOf("big5").phrases;
    const std::vector<std::string> russian = phrasesOf("windows-1251").phrases;
    const std::string form = vb6Form(chinese, 6, 1, 136);
    const std::string koi8 = vb6Form(russian, 8, 2);
    writeBytes(scratch / "Form1.frm", encodeAs(form, "CP950"));
    writeBytes(scratch / "koi8.frm", encodeAs(koi8, "KOI8-R"));
    writeBytes(scratch / "header.txt",
               encodeAs("<p>" + phrasesOf("windows-1256").phrases[0] + "</p>\r\n", "WINDOWS-1256"));
    writeBytes(scratch / "footer.txt", "</html>\r\n");
    const std::string frame = headerFooter(scratch.path());
    runOk("page" + frame + " " + q(scratch / "Form1.frm"));
    const std::string page = readBytes(scratch / "Form1.frm.html");
    EXPECT_TRUE(files::isValidUtf8(page));
    EXPECT_TRUE(page.starts_with("<p>" + phrasesOf("windows-1256").phrases[0] + "</p>\r\n"));
    EXPECT_EQ(phrasesShown(page, form, chinese), 6);

    // KOI8-R, which Windows never used for sources: only the option reads it (for colorize
    // too, with the other options of colorize).
    runOk("batch --encoding koi8-r" + frame + " " + q(scratch / "koi8.frm"));
    EXPECT_EQ(phrasesShown(readBytes(scratch / "koi8.frm.html"), koi8, russian), 8);
}

} // namespace
} // namespace quillon::test
