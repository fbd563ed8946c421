#include "lang/translate.h"

#include "base/vb_error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace quillon::lang {
namespace {

using test::readBytes;
using test::ScratchDir;
using test::writeBytes;

ino_t inodeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

TEST(IniFiles, MissingFileSectionOrKeyGivesTheDefault) {
    ScratchDir dir;
    const std::string file = (dir / "French.lng").string();
    EXPECT_EQ(ReadIniString(file, "FRMain", "Form.Caption", "built-in"), "built-in");
    writeBytes(file, "no sections at all\r\nk=v\r\n");
    EXPECT_EQ(ReadIniString(file, "FRMain", "k", "built-in"), "built-in");
    writeBytes(file, "[FRMain]\r\nForm.Caption=Quillon 2.0 Gratuit\r\n");
    EXPECT_EQ(ReadIniString(file, "FRMAIN", "form.caption", "built-in"), "Quillon 2.0 Gratuit");
    EXPECT_EQ(ReadIniString(file, "FRMain", "BTgo.Caption", "Start"), "Start");
    // A folder where the file should be reads as a file without keys.
    EXPECT_EQ(ReadIniString(dir.path().string(), "FRMain", "Form.Caption", "built-in"), "built-in");
}

TEST(IniFiles, WriteKeepsTheRestOfTheFileByteForByteAndWritesNothingUnchanged) {
    ScratchDir dir;
    const auto file = dir / "English.lng";
    writeBytes(file, "; hand-made\r\n[FRMain]\r\nForm.Caption=Old\r\n\r\n[MSG]\r\nmsg1=Open\r\n");
    WriteIniString(file.string(), "frmain", "FORM.caption", "Quillon 2.0 Free");
    WriteIniString(file.string(), "FRMain", "SwitchButton(0).Caption", "Files");
    WriteIniString(file.string(), "Other", "k", "v");
    EXPECT_EQ(readBytes(file),
              "; hand-made\r\n[FRMain]\r\nForm.Caption=Quillon 2.0 Free\r\n"
              "SwitchButton(0).Caption=Files\r\n\r\n[MSG]\r\nmsg1=Open\r\n\r\n[Other]\r\nk=v\r\n");
    EXPECT_EQ(ReadIniString(file.string(), "FRMain", "SwitchButton(0).Caption", ""), "Files");

    // A value already there writes nothing: the file is not even replaced.
    const ino_t inode = inodeOf(file);
    WriteIniString(file.string(), "FRMain", "Form.Caption", "Quillon 2.0 Free");
    const IniEntry same[] = {{"Form.Caption", "Quillon 2.0 Free"}};
    EXPECT_TRUE(WriteIniSection(file.string(), "FRMain", same).empty());
    EXPECT_EQ(inodeOf(file), inode);
}

TEST(IniFiles, SectionWrittenInOneGo) {
    ScratchDir dir;
    const auto file = dir / "English.lng";
    writeBytes(file, "[MSG]\nmsg2=Fini\nmsg99=kept\n");
    const std::vector<std::string> refused = WriteIniSection(file.string(), "MSG", englishMessages());
    EXPECT_TRUE(refused.empty());
    const std::string bytes = readBytes(file);
    EXPECT_EQ(bytes.substr(0, 44), "[MSG]\nmsg2=Work completed !\nmsg99=kept\nmsg1=");
    setCurrentLanguageFile(file.string());
    for (const IniEntry& message : englishMessages()) {
        EXPECT_EQ(GetMsg(message.key), message.value);
    }
    EXPECT_EQ(GetMsg("msg99"), "kept");
}

TEST(IniFiles, SectionWritePassesOverWhatCannotBeStored) {
    ScratchDir dir;
    const auto file = dir / "English.lng";
    const IniEntry entries[] = {{"Label1.Caption", "two\r\nlines"}, {"BTgo.Caption", "Start"}, {"a=b", "x"}};
    EXPECT_EQ(WriteIniSection(file.string(), "FRMain", entries),
              (std::vector<std::string>{"Label1.Caption", "a=b"}));
    EXPECT_EQ(readBytes(file), "[FRMain]\r\nBTgo.Caption=Start\r\n");
}

TEST(IniFiles, FailedWriteRaisesAndLosesNothing) {
    ScratchDir dir;
    try {
        WriteIniString((dir / "no such folder" / "x.lng").string(), "S", "k", "v");
        ADD_FAILURE() << "a file in a missing folder was reported written";
    } catch (const VbError&) {
    }
    // A file that exists but cannot be read must not be replaced by one holding only the
    // new key: a folder stands in for it, as permissions do not bind every test runner.
    std::filesystem::create_directory(dir / "Busy.lng");
    EXPECT_THROW(WriteIniString((dir / "Busy.lng").string(), "S", "k", "v"), VbError);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Busy.lng"));

    // Nor may a pipe hold a reader or a writer waiting for the other end.
    const auto pipe = dir / "Pipe.lng";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(ReadIniString(pipe.string(), "S", "k", "default"), "default");
    EXPECT_THROW(WriteIniString(pipe.string(), "S", "k", "v"), VbError);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));

    const auto file = dir / "English.lng";
    writeBytes(file, "[S]\nk=old\n");
    EXPECT_THROW(WriteIniString(file.string(), "S", "k", "line\nbreak"), VbError);
    EXPECT_EQ(readBytes(file), "[S]\nk=old\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST(Messages, MissingKeyOrFileGivesTheEmptyText) {
    ScratchDir dir;
    const auto partial = dir / "Deutsch.lng";
    writeBytes(partial, "[FRMain]\r\nmsg3=wrong section\r\n[MSG]\r\nmsg2=Fertig !\r\nmsg11=\r\n");
    setCurrentLanguageFile(partial.string());
    EXPECT_EQ(GetMsg("msg2"), "Fertig !");
    EXPECT_EQ(GetMsg("MSG2"), "Fertig !");
    EXPECT_EQ(GetMsg("msg3"), "");
    EXPECT_EQ(GetMsg("msg11"), "");
    // Looked up afresh each time: an edit made while the program runs takes effect.
    writeBytes(partial, "[MSG]\r\nmsg3=Bitte zuerst eine Datei w\xC3\xA4hlen !\r\n");
    EXPECT_EQ(GetMsg("msg3"), "Bitte zuerst eine Datei w\u00E4hlen !");
    // A Windows-1252 file under a name that is not ASCII.
    const auto french = dir / "Fran\xC3\xA7"
                              "ais.lng";
    writeBytes(french, "[FRMain]\r\nBTgo.Caption=D\xE9marrer\r\n[MSG]\r\nmsg2=Travail termin\xE9 !\r\n");
    EXPECT_EQ(ReadIniString(french.string(), "FRMain", "BTgo.Caption", ""), "D\u00E9marrer");
    setCurrentLanguageFile(french.string());
    EXPECT_EQ(GetMsg("msg2"), "Travail termin\u00E9 !");
    setCurrentLanguageFile((dir / "gone.lng").string());
    EXPECT_EQ(GetMsg("msg2"), "");
    setCurrentLanguageFile("");
    EXPECT_EQ(GetMsg("msg2"), "");
}

} // namespace
} // namespace quillon::lang
