#include "lang/ini_document.h"
#include "lang/language_files.h"
#include "window/language_menu.h"
#include "window_fixture.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

namespace quillon::window::testing {
namespace {

class LanguageTest : public WindowTest {
protected:
    // Starts the window again over the same folder and settings, as a new run would.
    void restart() {
        window.reset();
        window = std::make_unique<FRMain>(services);
        window->Form_Load();
    }

    void addFrench() {
        std::filesystem::copy_file(test::programDir() / "French.lng", folder / "French.lng",
                                   std::filesystem::copy_options::overwrite_existing);
    }

    std::vector<std::string> menuItems() {
        std::vector<std::string> items;
        for (QAction* action : window->languageMenu().choices()) {
            items.push_back(action->text().toStdString());
        }
        return items;
    }

    int indexOf(const std::string& item) {
        const auto items = menuItems();
        return static_cast<int>(std::find(items.begin(), items.end(), item) - items.begin());
    }
};

TEST_F(LanguageTest, FirstStartWritesACompleteEnglishFile) {
    const lang::IniDocument english = lang::IniDocument::load(path("English.lng"));
    EXPECT_EQ(english.find("FRMain", "Form.Caption").value_or(""), "Quillon 2.0 Free");
    EXPECT_EQ(english.find("FRMain", "MNlangueChoice(0).Caption").value_or(""), "#");
    EXPECT_EQ(english.find("FRMain", "MNlangueSep.Caption").value_or(""), "-");
    EXPECT_EQ(english.find("FRMain", "MNlangueOther.Caption").value_or(""), "Other ...");
    EXPECT_EQ(english.find("FRMain", "SwitchButton(2).Caption").value_or(""), "Batch");
    EXPECT_EQ(english.find("FRMain", "BTgo.ToolTipText").value_or(""), "Build HTML");
    EXPECT_FALSE(english.find("FRMain", "TXTsource.Caption"));
    EXPECT_FALSE(english.find("FRMain", "LBLfont.Caption"));
    EXPECT_EQ(english.keys("MSG").size(), 11u);
    EXPECT_EQ(lang::GetMsg("msg2"), "Work completed !");
}

TEST_F(LanguageTest, ShippedLanguageFilesCoverEveryTextOfTheWindow) {
    const lang::IniDocument exported = lang::IniDocument::load(path("English.lng"));
    for (const char* shipped : {"English.lng", "French.lng"}) {
        const lang::IniDocument file = lang::IniDocument::load((test::programDir() / shipped).string());
        for (const char* section : {"FRMain", "MSG"}) {
            for (const std::string& key : exported.keys(section)) {
                EXPECT_TRUE(file.find(section, key)) << shipped << " lacks " << section << "/" << key;
            }
        }
    }
}

TEST_F(LanguageTest, ChoosingALanguageRelabelsStoresAndSurvivesARestart) {
    addFrench();
    window->languageMenu().FillLanguageMenu();
    EXPECT_EQ(menuItems(), (std::vector<std::string>{"English.lng", "French.lng"}));

    window->languageMenu().MNlangueChoice_Click(indexOf("French.lng"));
    EXPECT_EQ(files().BTgo().text().toStdString(), "D\u00E9marrer");
    EXPECT_EQ(window->windowTitle().toStdString(), "Quillon 2.0 Gratuit");
    EXPECT_EQ(lang::GetMsg("msg2"), "Travail termin\u00E9 !");
    EXPECT_EQ(settings.get("Quillon Free", "FILES", "LNG", ""), path("French.lng"));
    // The items keep the file names, not the texts the language file holds for them.
    EXPECT_EQ(menuItems(), (std::vector<std::string>{"English.lng", "French.lng"}));

    restart();
    EXPECT_EQ(files().BTgo().text().toStdString(), "D\u00E9marrer");
    // English.lng still holds the built-in texts, whatever language was shown.
    EXPECT_EQ(lang::IniDocument::load(path("English.lng")).find("FRMain", "BTgo.Caption").value_or(""),
              "Start");

    window->languageMenu().MNlangueChoice_Click(indexOf("English.lng"));
    EXPECT_EQ(files().BTgo().text().toStdString(), "Start");
}

TEST_F(LanguageTest, AStoredFileThatIsGoneFallsBackToEnglish) {
    addFrench();
    settings.set("Quillon Free", "FILES", "LNG", path("French.lng"));
    std::filesystem::remove(folder / "French.lng");
    restart();
    EXPECT_EQ(files().BTgo().text().toStdString(), "Start");
    EXPECT_EQ(lang::CurrentLanguageFile(), path("English.lng"));
}

TEST_F(LanguageTest, PartialFileLeavesTheOtherTextsInTheCurrentLanguage) {
    addFrench();
    test::writeBytes(folder / "German.lng", "[FRMain]\r\nBTgo.Caption=Starten\r\n");
    window->languageMenu().FillLanguageMenu();
    window->languageMenu().MNlangueChoice_Click(indexOf("French.lng"));
    window->languageMenu().MNlangueChoice_Click(indexOf("German.lng"));
    EXPECT_EQ(files().BTgo().text().toStdString(), "Starten");
    EXPECT_EQ(window->windowTitle().toStdString(), "Quillon 2.0 Gratuit");
    EXPECT_EQ(lang::GetMsg("msg2"), ""); // a message missing from the file is empty
}

TEST_F(LanguageTest, OtherExplainsAndOpensTheCurrentFileInATextEditor) {
    boxes.shown.clear();
    opener.calls.clear();
    window->languageMenu().MNlangueOther_Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::Information);
    EXPECT_NE(boxes.shown[0].text.find(path("English.lng")), std::string::npos);
    EXPECT_NE(boxes.shown[0].text.find("It will apear in the translate menu"), std::string::npos);
    ASSERT_EQ(opener.calls.size(), 1u);
    EXPECT_EQ(opener.calls[0].target, "notepad");
    EXPECT_EQ(opener.calls[0].parameters, path("English.lng"));
}

TEST_F(LanguageTest, TranslateButtonOpensTheMenuUnderItself) {
    click(files().cmdTranslate());
    QMenu& menu = window->languageMenu().menu();
    EXPECT_TRUE(menu.isVisible());
    const QPoint corner = files().cmdTranslate().mapToGlobal(QPoint(0, files().cmdTranslate().height()));
    EXPECT_EQ(menu.pos(), corner);
    menu.hide();
}

} // namespace
} // namespace quillon::window::testing
