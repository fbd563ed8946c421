#include "lang/translate.h"

#include "base/vb_error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace quillon::lang {
namespace {

class IniFiles : public ::testing::Test {
protected:
    test::ScratchDir dir;
    const std::string file = (dir / "English.lng").string();
};

ino_t inodeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

TEST_F(IniFiles, WriteKeepsTheRestOfTheFileByteForByteAndWritesNothingUnchanged) {
    test::writeBytes(file, "; hand-made\r\n[FRMain]\r\nForm.Caption=Old\r\n\r\n[MSG]\r\nmsg1=Open\r\n");
    WriteIniString(file, "frmain", "FORM.caption", "Quillon 2.0 Free");
    EXPECT_EQ(test::readBytes(file),
              "; hand-made\r\n[FRMain]\r\nForm.Caption=Quillon 2.0 Free\r\n\r\n[MSG]\r\nmsg1=Open\r\n");
    // A value already there writes nothing: the file is not even replaced.
    const ino_t inode = inodeOf(file);
    WriteIniString(file, "FRMain", "Form.Caption", "Quillon 2.0 Free");
    const IniEntry same[] = {{"Form.Caption", "Quillon 2.0 Free"}};
    EXPECT_TRUE(WriteIniSection(file, "FRMain", same).empty());
    EXPECT_EQ(inodeOf(file), inode);
}

TEST_F(IniFiles, SectionWriteReplacesKeepsAndAddsAndPassesOverWhatCannotBeStored) {
    test::writeBytes(file, "[MSG]\nmsg2=Fini\nmsg99=kept\n");
    EXPECT_TRUE(WriteIniSection(file, "MSG", englishMessages()).empty());
    EXPECT_EQ(test::readBytes(file).substr(0, 44), "[MSG]\nmsg2=Work completed !\nmsg99=kept\nmsg1=");
    const IniEntry entries[] = {{"Label1.Caption", "two\r\nlines"}, {"BTgo.Caption", "Start"}, {"a=b", "x"}};
    EXPECT_EQ(WriteIniSection(file, "FRMain", entries), (std::vector<std::string>{"Label1.Caption", "a=b"}));
    EXPECT_TRUE(test::readBytes(file).ends_with("\n[FRMain]\nBTgo.Caption=Start\n"));
}

TEST_F(IniFiles, FailedWriteRaisesAndLosesNothing) {
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
    test::writeBytes(file, "[S]\nk=old\n");
    EXPECT_THROW(WriteIniString(file, "S", "k", "line\nbreak"), VbError);
    EXPECT_EQ(test::readBytes(file), "[S]\nk=old\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << "debris left";
}

TEST_F(IniFiles, MessagesAreReadAfreshFromTheCurrentFileAndAreEmptyWhenMissing) {
    const auto german = dir / "Deutsch \xC3\xA4.lng";
    test::writeBytes(german, "[FRMain]\r\nmsg3=wrong section\r\n[MSG]\r\nmsg2=Fertig !\r\n");
    setCurrentLanguageFile(german.string());
    EXPECT_EQ(GetMsg("MSG2"), "Fertig !");
    EXPECT_EQ(GetMsg("msg3"), "");
    test::writeBytes(german, "[MSG]\r\nmsg3=Bitte zuerst eine Datei w\xC3\xA4hlen !\r\n");
    EXPECT_EQ(GetMsg("msg3"), "Bitte zuerst eine Datei w\u00E4hlen !");
    setCurrentLanguageFile((dir / "gone.lng").string());
    EXPECT_EQ(GetMsg("msg2"), "");
}

} // namespace
} // namespace quillon::lang
