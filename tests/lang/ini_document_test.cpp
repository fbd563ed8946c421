#include "lang/ini_document.h"

#include "base/vb_error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon::lang {
namespace {

using namespace std::string_literals;

// A file as a translator leaves it: comments, odd spacing, a key without "=", duplicates.
const std::string Sample = "; Quillon language file\r\n"
                           "stray=before any section\r\n"
                           "[FRMain]\r\n"
                           "Form.Caption=Quillon 2.0 Free\r\n"
                           "  BTgo.Caption =  Start  \r\n"
                           "BTgo.ToolTipText\r\n"
                           "btgo.caption=second copy\r\n"
                           "Empty.Caption=\r\n"
                           "[Broken\r\n"
                           "[ msg ]\r\n"
                           "msg1=Open a footer File\r\n"
                           "[FRMAIN]\r\n"
                           "Form.Caption=ignored, the first wins\r\n"
                           "Extra.Caption=from the second FRMain\r\n";

TEST(IniDocumentRead, FindsKeysAsTheProfileFunctionsDo) {
    const IniDocument doc = IniDocument::parse(Sample);
    const struct {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    } cases[] = {
        {" frmain ", " FORM.CAPTION ", "Quillon 2.0 Free"},
        {"FRMain", "BTgo.Caption", "Start"},
        {"FRMain", "Empty.Caption", ""},
        {"FRMain", "BTgo.ToolTipText", std::nullopt},
        {"FRMain", "Extra.Caption", "from the second FRMain"},
        {"MSG", "msg1", "Open a footer File"},
        {"FRMain", "stray", std::nullopt},
        {"Broken", "msg1", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(doc.find(c.section, c.key), c.expected) << c.section << " / " << c.key;
    }
    EXPECT_EQ(doc.sectionNames(), (std::vector<std::string>{"FRMain", "msg"}));
}

TEST(IniDocumentRead, CutsValuesTo254CharactersWithoutSplittingOne) {
    std::string accented;
    for (int i = 0; i < 300; ++i) {
        accented += "\xC3\xA9"; // é
    }
    const IniDocument doc = IniDocument::parse("[S]\naccents=" + accented);
    EXPECT_EQ(doc.readString("S", "accents", ""), accented.substr(0, 2 * 254));
    // The default is the caller's own text and is handed back whole.
    EXPECT_EQ(doc.readString("S", "missing", std::string(300, 'd')), std::string(300, 'd'));
}

// Nothing asked to change, nothing changed: whatever the bytes, they come back as read.
TEST(IniDocumentWrite, UnchangedDocumentGivesBackItsBytes) {
    for (const std::string& input :
         {""s, Sample, "no newline at end"s, "[a]\rb=c\rmixed\nendings\r\n\r\n"s,
          "\xEF\xBB\xBF[S]\r\nk=\xE9t\xE9\r\n"s, // a UTF-8 mark over Windows-1252
          "[S]\nk=caf\xE9\n\x81\x8D\x8F\x90\x9D\n"s, "=\n[\n]\n[]\n;=\n\t \t\n"s}) {
        EXPECT_EQ(IniDocument::parse(input).serialise(), input);
    }
}

TEST(IniDocumentWrite, ChangesOnlyWhatItIsAskedTo) {
    std::string sampleAfter = Sample;
    sampleAfter.replace(sampleAfter.find("=  Start"), 8, "=  Go");
    const struct {
        const char* name;
        std::string before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    } cases[] = {
        {"value replaced inside its line, CRLF kept", Sample, "frmain", "btgo.CAPTION", "Go", sampleAfter},
        {"new key after the section's last entry, before its trailing comment",
         "[A]\r\na=1\r\n\r\n; about B\r\n[B]\r\nb=2\r\n", "a", "SwitchButton(1).Caption", "Colors",
         "[A]\r\na=1\r\nSwitchButton(1).Caption=Colors\r\n\r\n; about B\r\n[B]\r\nb=2\r\n"},
        {"new key in the first of duplicated sections", "[A]\na=1\n[B]\n[a]\nz=9\n", "A", "k", "v",
         "[A]\na=1\nk=v\n[B]\n[a]\nz=9\n"},
        {"new key at the end of a file without final line ending", "[A]\r\na=1", "A", "b", "2",
         "[A]\r\na=1\r\nb=2\r\n"},
        {"new section at the end, after a blank line", "[A]\na=1\n", "MSG", "msg1", "Open",
         "[A]\na=1\n\n[MSG]\nmsg1=Open\n"},
        {"new section in an empty file, CRLF by default", "", "MSG", "msg1", "Open",
         "[MSG]\r\nmsg1=Open\r\n"},
        {"Windows-1252 file stays in its code page", "[S]\r\nk=\xE9t\xE9\r\nj=old\r\n", "S", "j",
         "\xE2\x82\xAC caf\xC3\xA9", "[S]\r\nk=\xE9t\xE9\r\nj=\x80 caf\xE9\r\n"},
        {"Windows-1252 file that cannot hold the value becomes UTF-8", "[S]\r\nk=\xE9t\xE9\r\n", "S", "j",
         "\xE6\x97\xA5", "[S]\r\nk=\xC3\xA9t\xC3\xA9\r\nj=\xE6\x97\xA5\r\n"},
        // "Ã©" in Windows-1252 is the UTF-8 of "é": left so, it would read back as other text.
        {"Windows-1252 file never left passing for UTF-8", "[S]\nk=\xE9\n", "S", "k", "\xC3\x83\xC2\xA9",
         "[S]\nk=\xC3\x83\xC2\xA9\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "2", "\xEF\xBB\xBF[S]\nk=2\n"},
    };
    for (const auto& c : cases) {
        IniDocument doc = IniDocument::parse(c.before);
        EXPECT_TRUE(doc.set(c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(doc.serialise(), c.after) << c.name;
        EXPECT_EQ(IniDocument::parse(doc.serialise()).find(c.section, c.key), c.value) << c.name;
    }
    IniDocument same = IniDocument::parse("[S]\nk = v \n");
    EXPECT_FALSE(same.set("s", "K", "v"));
    EXPECT_FALSE(same.modified());
}

TEST(IniDocumentWrite, RefusesWhatCannotReadBackTheSameWithInvalidCall) {
    const struct {
        const char* section;
        std::string key;
        std::string value;
    } cases[] = {
        {"S", "k", "two\r\nlines"},
        {"S", "k", "injected\n[Other]"},
        {"S", "k", "nul\0"s},
        {"S", "a=b", "v"},
        {"S", "", "v"},
        {"S", "[k]", "v"},
        {"S", ";k", "v"},
        {"", "k", "v"},
        {"S]", "k", "v"},
        {"S", "k", "\xE9"},
    };
    for (const auto& c : cases) {
        IniDocument doc = IniDocument::parse("[S]\nk=old\n");
        EXPECT_EQ(test::raised([&] { doc.set(c.section, c.key, c.value); }).first, vberr::InvalidCall)
            << c.section << "/" << c.key << "=" << c.value;
        EXPECT_EQ(doc.serialise(), "[S]\nk=old\n");
    }
}

// A language file is text like any other: binary data is refused by name, never taken
// for keys nor written back; UTF-16 keeps its NULs.
TEST(IniDocumentLoad, RefusesAFileWithANulByte) {
    test::ScratchDir dir;
    const std::string binary = (dir / "Binary.lng").string();
    test::writeBytes(binary, "[FRMain]\r\nForm.Caption=a\0b\r\n"s);
    EXPECT_EQ(test::raised([&] { IniDocument::load(binary); }),
              std::make_pair(vberr::InvalidFileFormat, "Not a text file: " + binary));
    EXPECT_FALSE(IniDocument::loadOrEmpty(binary).find("FRMain", "Form.Caption"));
    const std::string wide = (dir / "Wide.lng").string();
    test::writeBytes(wide, "\xFF\xFE[\0S\0]\0\n\0k\0=\0v\0"s);
    EXPECT_EQ(IniDocument::load(wide).find("S", "k"), "v");
}

} // namespace
} // namespace quillon::lang
