#include "lang/ini_document.h"

#include "base/vb_error.h"
#include "io/text_decoding.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
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
                           "SwitchButton(0).Caption=Files\r\n"
                           "BTgo.ToolTipText\r\n"
                           "switchbutton(0).caption=second copy\r\n"
                           "Weird( * \\\".Caption=odd key\r\n"
                           "Empty.Caption=\r\n"
                           "[Broken\r\n"
                           "\r\n"
                           "; messages follow\r\n"
                           "[ msg ]\r\n"
                           "msg1=Open a footer File\r\n"
                           "[FRMAIN]\r\n"
                           "Form.Caption=ignored, the first wins\r\n"
                           "Extra.Caption=from the second FRMain\r\n";

struct Lookup {
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

TEST(IniDocumentRead, FindsKeysAsTheProfileFunctionsDo) {
    const IniDocument doc = IniDocument::parse(Sample);
    const Lookup cases[] = {
        {"FRMain", "Form.Caption", "Quillon 2.0 Free"},
        {"frmain", "FORM.CAPTION", "Quillon 2.0 Free"},
        {" FRMain ", " Form.Caption ", "Quillon 2.0 Free"},
        {"FRMain", "BTgo.Caption", "Start"},
        {"FRMain", "SwitchButton(0).Caption", "Files"},
        {"FRMain", "Weird( * \\\".Caption", "odd key"},
        {"FRMain", "Empty.Caption", ""},
        {"FRMain", "BTgo.ToolTipText", std::nullopt},
        {"FRMain", "Extra.Caption", "from the second FRMain"},
        {"MSG", "msg1", "Open a footer File"},
        {"MSG", "msg2", std::nullopt},
        {"FRMain", "stray", std::nullopt},
        {"Broken", "msg1", std::nullopt},
        {"Nowhere", "Form.Caption", std::nullopt},
        {"", "", std::nullopt},
    };
    for (const Lookup& c : cases) {
        SCOPED_TRACE(std::string(c.section) + " / " + c.key);
        const auto found = doc.find(c.section, c.key);
        ASSERT_EQ(found.has_value(), c.expected.has_value());
        if (found) {
            EXPECT_EQ(*found, *c.expected);
        }
    }
    EXPECT_EQ(doc.readString("FRMain", "Missing", "default"), "default");
    EXPECT_EQ(doc.readString("FRMain", "Empty.Caption", "default"), "");
    EXPECT_EQ(doc.sectionNames(), (std::vector<std::string>{"FRMain", "msg"}));
}

TEST(IniDocumentRead, CutsValuesTo254CharactersWithoutSplittingOne) {
    std::string accented;
    for (int i = 0; i < 300; ++i) {
        accented += "\xC3\xA9"; // é
    }
    const IniDocument doc =
        IniDocument::parse("[S]\nlong=" + std::string(300, 'x') + "\nexact=" + std::string(254, 'y') +
                           "\naccents=" + accented + "\n");
    EXPECT_EQ(doc.readString("S", "long", ""), std::string(254, 'x'));
    EXPECT_EQ(doc.readString("S", "exact", ""), std::string(254, 'y'));
    EXPECT_EQ(doc.readString("S", "accents", ""), accented.substr(0, 2 * 254));
    // The default is the caller's own text and is handed back whole.
    EXPECT_EQ(doc.readString("S", "missing", std::string(300, 'd')), std::string(300, 'd'));
}

TEST(IniDocumentRead, DecodesWindows1252AndKeepsUtf8) {
    const IniDocument legacy =
        IniDocument::parse("[FRMain]\r\nBTgo.Caption=D\xE9marrer \x93ici\x94 \x80\r\n");
    EXPECT_EQ(legacy.readString("FRMain", "BTgo.Caption", ""), "D\u00E9marrer \u201Cici\u201D \u20AC");
    const IniDocument utf8 = IniDocument::parse("\xEF\xBB\xBF[FRMain]\r\nBTgo.Caption=D\xC3\xA9marrer\r\n");
    EXPECT_EQ(utf8.readString("FRMain", "BTgo.Caption", ""), "D\u00E9marrer");
}

// Nothing asked to change, nothing changed: whatever the bytes, they come back as read.
TEST(IniDocumentWrite, UnchangedDocumentGivesBackItsBytes) {
    const std::string inputs[] = {
        "",
        Sample,
        "no newline at end",
        "[a]\rb=c\rmixed\nendings\r\n\r\n",
        "\xEF\xBB\xBF[S]\r\nk=v",
        "\xEF\xBB\xBF[S]\r\nk=\xE9t\xE9\r\n", // a UTF-8 mark over a Windows-1252 line
        "[S]\nk=caf\xE9\n\x81\x8D\x8F\x90\x9D\n",
        "=\n[\n]\n[]\n;=\n\t \t\n",
    };
    for (const std::string& input : inputs) {
        EXPECT_EQ(IniDocument::parse(input).serialise(), input);
    }
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> pick(0, 11);
    const char alphabet[] = {'[', ']', '=', ';', ' ', '\t', '\r', '\n', 'k', 'K', '\xE9', '\xC3'};
    for (int round = 0; round < 200; ++round) {
        std::string bytes;
        for (int i = 0; i < 200; ++i) {
            bytes += alphabet[pick(random)];
        }
        EXPECT_EQ(IniDocument::parse(bytes).serialise(), bytes);
    }
}

std::string replaced(std::string text, const std::string& what, const std::string& with) {
    return text.replace(text.find(what), what.size(), with);
}

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST(IniDocumentWrite, ChangesOnlyWhatItIsAskedTo) {
    const WriteCase cases[] = {
        {"value replaced inside its line, CRLF kept", Sample, "frmain", "btgo.CAPTION", "Go",
         replaced(Sample, "  BTgo.Caption =  Start  ", "  BTgo.Caption =  Go  ")},
        {"the first of duplicated keys is the one replaced", "[S]\nk=1\nK=2\n", "S", "k", "3",
         "[S]\nk=3\nK=2\n"},
        {"empty value filled", "[S]\r\nk=\r\nj = \r\n", "S", "j", "x", "[S]\r\nk=\r\nj = x\r\n"},
        {"new key after the section's last entry, before its trailing comment",
         "[A]\r\na=1\r\n\r\n; about B\r\n[B]\r\nb=2\r\n", "a", "SwitchButton(1).Caption", "Colors",
         "[A]\r\na=1\r\nSwitchButton(1).Caption=Colors\r\n\r\n; about B\r\n[B]\r\nb=2\r\n"},
        {"new key in an empty section goes under its header", "[A]\n\n[B]\n", "A", "k", "v",
         "[A]\nk=v\n\n[B]\n"},
        {"new key in the first of duplicated sections", "[A]\na=1\n[B]\n[a]\nz=9\n", "A", "k", "v",
         "[A]\na=1\nk=v\n[B]\n[a]\nz=9\n"},
        {"new key at the end of a file without final line ending", "[A]\r\na=1", "A", "b", "2",
         "[A]\r\na=1\r\nb=2\r\n"},
        {"new section at the end, after a blank line", "[A]\na=1\n", "MSG", "msg1", "Open",
         "[A]\na=1\n\n[MSG]\nmsg1=Open\n"},
        {"new section after a file without final line ending", "[A]\r\na=1", "MSG", "msg1", "Open",
         "[A]\r\na=1\r\n\r\n[MSG]\r\nmsg1=Open\r\n"},
        {"new section in an empty file, CRLF by default", "", "MSG", "msg1", "Open",
         "[MSG]\r\nmsg1=Open\r\n"},
        {"a key before any section is not the section's key", "k=old\n[S]\n", "S", "k", "new",
         "k=old\n[S]\nk=new\n"},
        {"Windows-1252 file stays in its code page", "[S]\r\nk=\xE9t\xE9\r\nj=old\r\n", "S", "j",
         "\xE2\x82\xAC caf\xC3\xA9", "[S]\r\nk=\xE9t\xE9\r\nj=\x80 caf\xE9\r\n"},
        {"Windows-1252 file that cannot hold the value becomes UTF-8", "[S]\r\nk=\xE9t\xE9\r\n", "S", "j",
         "\xE6\x97\xA5", "[S]\r\nk=\xC3\xA9t\xC3\xA9\r\nj=\xE6\x97\xA5\r\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "2", "\xEF\xBB\xBF[S]\nk=2\n"},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        IniDocument doc = IniDocument::parse(c.before);
        EXPECT_TRUE(doc.set(c.section, c.key, c.value));
        EXPECT_TRUE(doc.modified());
        const std::string bytes = doc.serialise();
        EXPECT_EQ(bytes, c.after);
        EXPECT_EQ(IniDocument::parse(bytes).find(c.section, c.key).value_or("<missing>"), c.value);
    }
    IniDocument same = IniDocument::parse("[S]\nk = v \n");
    EXPECT_FALSE(same.set("s", "K", "v"));
    EXPECT_FALSE(same.modified());
}

// Language files written on an Arabic or Chinese Windows are read in their code page and
// stay in it while what they hold fits (what does not fit: see the Windows-1252 cases).
TEST(IniDocumentWrite, LanguageFileInItsOwnCodePage) {
    const std::string message =
        "\u064A\u062C\u0628 \u0623\u0646 \u062A\u062E\u062A\u0627\u0631 \u0645\u0644\u0641 "
        "\u0641\u064A\u062C\u0648\u0627\u0644 \u0628\u064A\u0633\u0643 \u0623\u0648\u0644\u0627\u064B !";
    const std::string arabic =
        "[FRMain]\r\n"
        "Form.Caption=\u0627\u0644\u0646\u0627\u0641\u0630\u0629 "
        "\u0627\u0644\u0631\u0626\u064A\u0633\u064A\u0629\r\n"
        "BTgo.Caption=\u0627\u0628\u062F\u0623 \u0627\u0644\u062A\u062D\u0648\u064A\u0644\r\n"
        "[MSG]\r\n"
        "msg3=" +
        message + "\r\n";
    const files::EncodingDecision codePage{files::TextEncoding::Legacy, 0, "WINDOWS-1256"};
    const std::string inCodePage = files::encodeText(arabic, codePage).value();
    IniDocument doc = IniDocument::parse(inCodePage);
    EXPECT_EQ(doc.readString("MSG", "msg3", ""), message);
    EXPECT_EQ(doc.serialise(), inCodePage);

    doc.set("MSG", "msg4", "\u0645\u0644\u0641 HTML");
    const std::string kept = doc.serialise();
    EXPECT_EQ(kept.substr(0, inCodePage.size()), inCodePage);
    EXPECT_EQ(kept.substr(inCodePage.size()), "msg4=\xE3\xE1\xDD HTML\r\n");
}

// A Windows-1252 file whose bytes after the change would pass for UTF-8 must not be left
// so: it would read back as different text.
TEST(IniDocumentWrite, Windows1252FileIsNeverLeftAmbiguous) {
    IniDocument doc = IniDocument::parse("[S]\nk=\xE9\n");
    doc.set("S", "k", "\xC3\x83\xC2\xA9"); // "Ã©", whose Windows-1252 bytes are the UTF-8 of "é"
    EXPECT_EQ(IniDocument::parse(doc.serialise()).readString("S", "k", ""), "\xC3\x83\xC2\xA9");
}

TEST(IniDocumentWrite, RefusesWhatCannotReadBackTheSame) {
    struct Bad {
        const char* section;
        std::string key;
        std::string value;
    };
    const Bad cases[] = {
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
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.key + "=" + c.value);
        IniDocument doc = IniDocument::parse("[S]\nk=old\n");
        try {
            doc.set(c.section, c.key, c.value);
            ADD_FAILURE() << "accepted";
        } catch (const VbError& error) {
            EXPECT_EQ(error.number(), vberr::InvalidCall);
        }
        EXPECT_EQ(doc.serialise(), "[S]\nk=old\n");
    }
}

TEST(IniDocumentScale, ManyKeysAndLongValuesInLinearTime) {
    const auto start = std::chrono::steady_clock::now();
    std::string bytes = "[S]\r\n";
    for (int i = 0; i < 100000; ++i) {
        bytes += "Key" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
    }
    bytes += "[Big]\r\nhuge=" + std::string(1 << 20, 'v') + "\r\n";
    IniDocument doc = IniDocument::parse(bytes);
    EXPECT_EQ(doc.readString("s", "KEY99999", ""), "value 99999");
    EXPECT_EQ(doc.readString("big", "huge", ""), std::string(254, 'v'));
    EXPECT_EQ(doc.find("big", "huge")->size(), std::size_t{1} << 20);
    for (int i = 0; i < 100000; ++i) {
        doc.set("S", "Added" + std::to_string(i), "x");
        doc.set("S", "Key" + std::to_string(i), "changed");
    }
    doc.set("Big", "huge", std::string(1 << 20, 'w'));
    const IniDocument again = IniDocument::parse(doc.serialise());
    EXPECT_EQ(again.keys("S").size(), 200000u);
    EXPECT_EQ(again.readString("S", "Key0", ""), "changed");
    EXPECT_EQ(again.readString("S", "Added99999", ""), "x");
    EXPECT_EQ(again.find("Big", "huge")->size(), std::size_t{1} << 20);
    // Quadratic work here would take many minutes; linear work takes a few seconds even
    // in a sanitizer build on a busy machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

} // namespace
} // namespace quillon::lang
