#include "lang/language_files.h"

#include "base/vb_error.h"
#include "lang/translate.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace quillon::lang {
namespace {

TEST(LanguageChoice, StartsWithTheStoredFileWhileItExists) {
    test::ScratchDir dir;
    const std::string programDir = dir.path().string();
    const std::string english = (dir / "English.lng").string();
    const std::string french = (dir / "French.lng").string();
    MemorySettingsStore store;
    EXPECT_EQ(startupLanguageFile(store, programDir), english); // nothing stored yet
    test::writeBytes(french, "[FRMain]\r\n");
    EXPECT_EQ(chooseLanguage(store, programDir, "French.lng"), french);
    EXPECT_EQ(store.get("Quillon Free", "FILES", "LNG", ""), french);
    EXPECT_EQ(startupLanguageFile(store, programDir), french);
    std::filesystem::remove(french);
    std::filesystem::create_directory(french); // a folder of that name is no language file
    EXPECT_EQ(startupLanguageFile(store, programDir), english);
}

// Installed: the user's files and the installed ones in one list, a name once; a choice
// takes the user's copy.
TEST(LanguageMenu, ListsTheLanguageFilesOfBothFoldersOnceSortedWithoutRegardToCase) {
    test::ScratchDir user;
    test::ScratchDir installed;
    for (const char* name : {"German.lng", "english.lng", "French.LNG", "notes.txt", "Italian.lng.bak",
                             ".hidden.lng", "lng", "Espa\xC3\xB1ol.lng"}) {
        test::writeBytes(user / name, "[FRMain]\r\n");
    }
    std::filesystem::create_directory(user / "Folder.lng");
    test::writeBytes(installed / "english.lng", "[FRMain]\r\n");
    test::writeBytes(installed / "Dutch.lng", "[FRMain]\r\n");
    const files::ProgramFolder folder(user.path().string(), installed.path().string());
    EXPECT_EQ(listLanguageFiles(folder),
              (std::vector<std::string>{"Dutch.lng", "english.lng", "Espa\xC3\xB1ol.lng", "French.LNG",
                                        "German.lng"}));
    MemorySettingsStore store;
    EXPECT_EQ(chooseLanguage(store, folder, "english.lng"), (user / "english.lng").string());
    EXPECT_EQ(chooseLanguage(store, folder, "Dutch.lng"), (installed / "Dutch.lng").string());
}

TEST(LanguageMenu, HowToText) {
    EXPECT_EQ(
        languageHowToText("/opt/quillon/English.lng"),
        "Translate this file \n\n/opt/quillon/English.lng\n\nand save it in the application folder like "
        "this :\nyour country's name .LNG\n\nIt will apear in the translate menu");
}

// A language file that exists but cannot be read must never be replaced by one holding only
// the new keys, so loading it for a change raises, while a reader just sees no keys.
TEST(IniFiles, UnreadableFileRaisesOnLoadForAChangeAndLosesNothing) {
    test::ScratchDir dir;
    // A folder stands in for it, as permissions do not bind every test runner.
    std::filesystem::create_directory(dir / "Busy.lng");
    EXPECT_THROW(IniDocument::load((dir / "Busy.lng").string()), VbError);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Busy.lng"));
    // Nor may a pipe hold a reader waiting for the other end.
    const auto pipe = dir / "Pipe.lng";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(ReadIniString(pipe.string(), "S", "k", "default"), "default");
    EXPECT_THROW(IniDocument::load(pipe.string()), VbError);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "debris left";
}

TEST(IniFiles, MessagesAreReadAfreshFromTheCurrentFileAndAreEmptyWhenMissing) {
    test::ScratchDir dir;
    const auto german = dir / "Deutsch \xC3\xA4.lng";
    test::writeBytes(german, "[FRMain]\r\nmsg3=wrong section\r\n[MSG]\r\nmsg2=Fertig !\r\n");
    setCurrentLanguageFile(german.string());
    EXPECT_EQ(GetMsg("MSG2"), "Fertig !");
    EXPECT_EQ(GetMsg("msg3"), "");
    test::writeBytes(german, "[MSG]\r\nmsg3=Bitte zuerst eine Datei w\xC3\xA4hlen !\r\n");
    EXPECT_EQ(GetMsg("msg3"), "Bitte zuerst eine Datei w\u00E4hlen !");
    // The dialog texts came later than many language files: those give the English text.
    test::writeBytes(german, "[MSG]\r\nFilterFiles=%1-Dateien\r\n");
    EXPECT_EQ(dialogFilterWords(), (platform::FilterWords{"VB6 sources", "%1-Dateien", "All files"}));
    EXPECT_EQ(dialogText(dialogtext::SourceTitle), "Open a VB File");
    setCurrentLanguageFile((dir / "gone.lng").string());
    EXPECT_EQ(GetMsg("msg2"), "");
}

} // namespace
} // namespace quillon::lang
