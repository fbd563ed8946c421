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

TEST(LanguageMenu, ListsLanguageFilesByNameSortedWithoutRegardToCase) {
    test::ScratchDir dir;
    for (const char* name : {"German.lng", "english.lng", "French.LNG", "notes.txt", "Italian.lng.bak",
                             ".hidden.lng", "lng", "Espa\xC3\xB1ol.lng"}) {
        test::writeBytes(dir / name, "[FRMain]\r\n");
    }
    std::filesystem::create_directory(dir / "Folder.lng");
    EXPECT_EQ(listLanguageFiles(dir.path().string()),
              (std::vector<std::string>{"english.lng", "Espa\xC3\xB1ol.lng", "French.LNG", "German.lng"}));
}

// Installed: the user's files and the installed ones in one list, a name once; a choice
// takes the user's copy.
TEST(LanguageMenu, ListsTheUsersFilesWithTheInstalledOnes) {
    test::ScratchDir user;
    test::ScratchDir installed;
    test::writeBytes(user / "English.lng", "[FRMain]\r\n");
    test::writeBytes(user / "German.lng", "[FRMain]\r\n");
    test::writeBytes(installed / "English.lng", "[FRMain]\r\n");
    test::writeBytes(installed / "French.lng", "[FRMain]\r\n");
    const files::ProgramFolder folder(user.path().string(), installed.path().string());
    EXPECT_EQ(listLanguageFiles(folder),
              (std::vector<std::string>{"English.lng", "French.lng", "German.lng"}));
    MemorySettingsStore store;
    EXPECT_EQ(chooseLanguage(store, folder, "English.lng"), (user / "English.lng").string());
    EXPECT_EQ(chooseLanguage(store, folder, "French.lng"), (installed / "French.lng").string());
}

TEST(LanguageMenu, HowToText) {
    EXPECT_EQ(
        languageHowToText("/opt/quillon/English.lng"),
        "Translate this file \n\n/opt/quillon/English.lng\n\nand save it in the application folder like "
        "this :\nyour country's name .LNG\n\nIt will apear in the translate menu");
}

} // namespace
} // namespace quillon::lang
