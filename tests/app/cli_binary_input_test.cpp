#include "cli_test_support.h"
#include "support/legacy_text.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// An executable renamed .bas and a form's binary property file, beside a real form.
class CliBinaryInput : public testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(dataDir() / "pages" / "form.frm", scratch / "Form1.frm");
        writeBytes(scratch / "Tool.bas", "MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0"s);
        writeBytes(scratch / "Form1.frx", "\x0C\0\0\0lt\0\0BM\x36\x03"s);
    }
    std::string headerFooter() const { return test::headerFooter(dataDir() / "pages"); }
    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(scratch.path()), fs::directory_iterator()));
    }
    ScratchDir scratch;
};

TEST_F(CliBinaryInput, PageRefusesItNamingTheFileAndCreatesNothing) {
    const std::size_t before = entries();
    for (const char* name : {"Tool.bas", "Form1.frx"}) {
        const CliResult r = runCli("page" + headerFooter() + " " + q(scratch / name));
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_EQ(r.err, "ERREUR n\u00B0321 in Cparti: Not a text file: " + (scratch / name).string() + "\n");
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(entries(), before);
}

TEST_F(CliBinaryInput, ColorizeRefusesAFileAndStandardInput) {
    CliResult r = runCli("colorize " + q(scratch / "Tool.bas"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "ERREUR n\u00B0321 in colorize: Not a text file: " + (scratch / "Tool.bas").string() + "\n");
    r = runCli("colorize", "Dim a\r\n\0\x01\x02"s);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Not a text file: "), std::string::npos) << r.err;
}

// UTF-16 has a NUL in every other byte of plain text: its byte-order mark lets it through.
TEST_F(CliBinaryInput, Utf16WithAByteOrderMarkStillConverts) {
    const std::string form = readBytes(scratch / "Form1.frm");
    writeBytes(scratch / "Wide.frm", "\xFF\xFE" + encodeAs(form, "UTF-16LE"));
    CliResult r = runCli("page" + headerFooter() + " " + q(scratch / "Wide.frm"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readBytes(scratch / "Wide.frm.html"), readBytes(dataDir() / "pages" / "form.frm.html"));

    r = runCli("colorize " + q(scratch / "Wide.frm"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, runCli("colorize " + q(scratch / "Form1.frm")).out);

    // Without its mark, UTF-16 is only text when the user says which encoding it is.
    writeBytes(scratch / "Bare.frm", encodeAs(form, "UTF-16LE"));
    EXPECT_EQ(runCli("page" + headerFooter() + " " + q(scratch / "Bare.frm")).status, 1);
    r = runCli("page --encoding UTF-16LE" + headerFooter() + " " + q(scratch / "Bare.frm"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readBytes(scratch / "Bare.frm.html"), readBytes(dataDir() / "pages" / "form.frm.html"));
}

} // namespace
} // namespace quillon::test
