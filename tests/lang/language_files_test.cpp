#include "lang/language_files.h"

#include "lang/translate.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

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

} // namespace
} // namespace quillon::lang
