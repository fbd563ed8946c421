#include "cli_test_support.h"
#include "io/text_decoding.h"
#include "support/legacy_text.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

PhraseFile phrasesOf(const std::string& label, const std::string& language) {
    for (PhraseFile& file : phraseFiles()) {
        if (file.label == label && file.language == language) {
            return file;
        }
    }
    ADD_FAILURE() << "no phrases in " << label << "." << language;
    return {};
}

// How many of the phrases the form holds, each of which the page must show as written.
int expectPhrasesShown(const std::string& page, const std::string& form,
                       const std::vector<std::string>& phrases) {
    int shown = 0;
    for (const std::string& phrase : phrases) {
        if (form.find(phrase) != std::string::npos) {
            EXPECT_NE(page.find(phrase), std::string::npos) << phrase;
            ++shown;
        }
    }
    return shown;
}

struct SourceCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> languages; // label, language
    std::string bom;
    std::string written; // empty: each language in its own code page
};
void PrintTo(const SourceCase& c, std::ostream* out) {
    *out << c.name;
}

class CliEncodings : public testing::TestWithParam<SourceCase> {};

TEST_P(CliEncodings, PageShowsTheOriginalCharactersInUtf8) {
    const SourceCase& c = GetParam();
    std::vector<std::string> phrases;
    std::string encoding = c.written;
    for (const auto& [label, language] : c.languages) {
        const PhraseFile file = phrasesOf(label, language);
        phrases.insert(phrases.end(), file.phrases.begin(), file.phrases.end());
        encoding = encoding.empty() ? file.encoding : encoding;
    }
    const std::string form = vb6Form(phrases, 6, 1);
    ScratchDir scratch;
    writeBytes(scratch / "Form1.frm", c.bom + encodeAs(form, encoding));
    const CliResult r = runCli("page " + q(scratch / "Form1.frm"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string page = readBytes(scratch / "Form1.frm.html");
    EXPECT_TRUE(files::isValidUtf8(page));
    EXPECT_EQ(expectPhrasesShown(page, form, phrases), 6);
    // The control named in the language, in the code.
    const std::size_t name = form.find("Then lbl");
    ASSERT_NE(name, std::string::npos);
    EXPECT_NE(page.find(form.substr(name + 5, form.find('.', name) - name - 5)), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, CliEncodings,
    testing::Values(
        SourceCase{"windows1252", {{"windows-1252", "es"}}, "", ""},
        SourceCase{"windows1252Punctuation", {{"windows-1252", "en"}}, "", ""},
        SourceCase{"windows1251", {{"windows-1251", "ru"}}, "", ""},
        SourceCase{"windows1256", {{"windows-1256", "ar"}}, "", ""},
        SourceCase{"big5", {{"big5", "zh-hant"}}, "", ""},
        SourceCase{"gb2312", {{"gb2312", "zh-hans"}}, "", ""},
        SourceCase{"shiftJis", {{"shift_jis", "ja"}}, "", ""},
        SourceCase{"iso88592", {{"iso-8859-2", "pl"}}, "", ""},
        SourceCase{"utf8", {{"windows-1256", "ar"}, {"big5", "zh-hant"}}, "", "UTF-8"},
        SourceCase{"utf8Bom", {{"windows-1251", "ru"}, {"shift_jis", "ja"}}, "\xEF\xBB\xBF", "UTF-8"},
        SourceCase{"utf16leBom", {{"gb2312", "zh-hans"}, {"iso-8859-2", "cs"}}, "\xFF\xFE", "UTF-16LE"}),
    [](const auto& param) { return std::string(param.param.name); });

class CliEncodingOption : public testing::Test {
protected:
    void SetUp() override {
        // KOI8-R, which Windows never used for sources: detection takes it for Windows-1251.
        russian = phrasesOf("windows-1251", "ru").phrases;
        form = vb6Form(russian, 8, 2);
        writeBytes(scratch / "koi8.frm", encodeAs(form, "KOI8-R"));
    }
    ScratchDir scratch;
    std::vector<std::string> russian;
    std::string form;
};

TEST_F(CliEncodingOption, NamedEncodingOverridesDetectionInEveryCommand) {
    ASSERT_EQ(runCli("page " + q(scratch / "koi8.frm")).status, 0);
    const std::string detected = readBytes(scratch / "koi8.frm.html");
    EXPECT_EQ(detected.find(russian[0]), std::string::npos);
    ASSERT_EQ(
        runCli("page --encoding auto " + q(scratch / "koi8.frm") + " " + q(scratch / "auto.html")).status, 0);
    EXPECT_EQ(readBytes(scratch / "auto.html"), detected);

    fs::copy_file(scratch / "koi8.frm", scratch / "second.frm");
    const CliResult batch =
        runCli("batch --encoding koi8-r " + q(scratch / "koi8.frm") + " " + q(scratch / "second.frm"));
    EXPECT_EQ(batch.status, 0) << batch.out << batch.err;
    for (const char* page : {"koi8.frm.html", "second.frm.html"}) {
        EXPECT_EQ(expectPhrasesShown(readBytes(scratch / page), form, russian), 8) << page;
    }
    const CliResult coloured = runCli("colorize --encoding KOI8-R", encodeAs(form, "KOI8-R"));
    EXPECT_EQ(coloured.status, 0) << coloured.err;
    EXPECT_EQ(expectPhrasesShown(coloured.out, form, russian), 8);
    // Standard input is detected too.
    const std::vector<std::string> arabic = phrasesOf("windows-1256", "ar").phrases;
    const std::string arabicForm = vb6Form(arabic, 8, 0);
    const CliResult standardInput = runCli("colorize", encodeAs(arabicForm, "WINDOWS-1256"));
    EXPECT_EQ(standardInput.status, 0) << standardInput.err;
    EXPECT_EQ(expectPhrasesShown(standardInput.out, arabicForm, arabic), 8);
}

TEST_F(CliEncodingOption, UnknownOrMisplacedEncodingIsAUsageError) {
    struct Case {
        std::string args;
        std::string message;
    } cases[] = {
        {"page --encoding klingon " + q(scratch / "koi8.frm"), "--encoding: unknown encoding 'klingon'"},
        {"page --encoding 'CP1251//IGNORE' " + q(scratch / "koi8.frm"),
         "--encoding: unknown encoding 'CP1251//IGNORE'"},
        {"page " + q(scratch / "koi8.frm") + " --encoding", "option --encoding needs a value"},
        {"css --encoding CP1251 " + q(scratch / "out.css"), "option --encoding does not apply to css"},
    };
    for (const Case& c : cases) {
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_TRUE(r.err.starts_with("quillon-cli: " + c.message + "\n")) << r.err;
    }
    EXPECT_FALSE(fs::exists(scratch / "koi8.frm.html"));
    EXPECT_FALSE(fs::exists(scratch / "out.css"));
}

TEST(CliEncodingFiles, HeaderAndFooterInOtherCodePagesAreReadAsWritten) {
    ScratchDir scratch;
    const std::vector<std::string> arabic = phrasesOf("windows-1256", "ar").phrases;
    const std::vector<std::string> chinese = phrasesOf("big5", "zh-hant").phrases;
    const std::string header = "<html><head><title>" + arabic[0] + "</title></head>\r\n<p>" + arabic[1] +
                               " " + arabic[2] + "</p>\r\n";
    const std::string footer = "<p>" + chinese[0] + chinese[1] + chinese[2] + "</p></html>\r\n";
    writeBytes(scratch / "header.txt", encodeAs(header, "WINDOWS-1256"));
    writeBytes(scratch / "footer.txt", encodeAs(footer, "CP950"));
    writeBytes(scratch / "Module1.bas", "Attribute VB_Name = \"Module1\"\r\nDim x As Long\r\n");
    const CliResult r = runCli("page --header " + q(scratch / "header.txt") + " --footer " +
                               q(scratch / "footer.txt") + " " + q(scratch / "Module1.bas"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string page = readBytes(scratch / "Module1.bas.html");
    EXPECT_TRUE(page.starts_with(header)) << page;
    EXPECT_TRUE(page.ends_with(footer)) << page;
}

} // namespace
} // namespace quillon::test
