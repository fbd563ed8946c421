#include "lang/ini_document.h"
#include "lang/language_files.h"
#include "lang/qt/form_texts.h"
#include "window/language_menu.h"
#include "window_fixture.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

namespace quillon::window::testing {
namespace {

class LanguageTest : public WindowTest {
protected:
    std::vector<std::string> menuItems() {
        std::vector<std::string> items;
        for (QAction* action : window->languageMenu().choices()) {
            items.push_back(action->text().toStdString());
        }
        return items;
    }

    void choose(const std::string& item) {
        const auto items = menuItems();
        window->languageMenu().MNlangueChoice_Click(
            static_cast<int>(std::find(items.begin(), items.end(), item) - items.begin()));
    }

    std::string startCaption() { return files().BTgo().text().toStdString(); }
};

// Every caption and tool tip of every pane is exported at start-up; the shipped English
// file is the one translators copy, so the two must hold the same texts.
TEST_F(LanguageTest, StartUpExportsEveryTextOfTheWindowAsShipped) {
    const lang::IniDocument exported = lang::IniDocument::load(path("English.lng"));
    const lang::IniDocument english = lang::IniDocument::load((test::programDir() / "English.lng").string());
    const lang::IniDocument french = lang::IniDocument::load((test::programDir() / "French.lng").string());
    for (const char* section : {"FRMain", "MSG"}) {
        auto exportedKeys = exported.keys(section);
        auto shippedKeys = english.keys(section);
        std::ranges::sort(exportedKeys);
        std::ranges::sort(shippedKeys);
        EXPECT_EQ(exportedKeys, shippedKeys) << section;
        for (const std::string& key : exported.keys(section)) {
            EXPECT_EQ(exported.find(section, key), english.find(section, key)) << section << "/" << key;
            EXPECT_TRUE(french.find(section, key)) << "French.lng lacks " << section << "/" << key;
        }
    }
    // The font label is walked like every control, but it shows data: no file relabels it.
    EXPECT_EQ(exported.find("FRMain", "LBLfont.Caption"), "Courier New");
    test::writeBytes(path("Mono.lng"), "[FRMain]\r\nLBLfont.Caption=Arial\r\n");
    lang::TranslateForm(*window, path("Mono.lng"));
    EXPECT_EQ(control<QLabel>("LBLfont").text(), "Courier New");
}

TEST_F(LanguageTest, ChoosingALanguageRelabelsStoresAndSurvivesARestart) {
    std::filesystem::copy_file(test::programDir() / "French.lng", folder / "French.lng");
    window->languageMenu().FillLanguageMenu();
    EXPECT_EQ(menuItems(), (std::vector<std::string>{"English.lng", "French.lng"}));

    choose("French.lng");
    EXPECT_EQ(startCaption(), "D\u00E9marrer");
    EXPECT_EQ(window->windowTitle().toStdString(), "Quillon 2.0 Gratuit");
    EXPECT_EQ(lang::GetMsg("msg2"), "Travail termin\u00E9 !");
    // The items keep the file names, not the texts the language file holds for them.
    EXPECT_EQ(menuItems(), (std::vector<std::string>{"English.lng", "French.lng"}));

    window.reset();
    window = std::make_unique<FRMain>(services);
    window->Form_Load();
    EXPECT_EQ(startCaption(), "D\u00E9marrer");
    // English.lng still holds the built-in texts, whatever language was shown.
    EXPECT_EQ(lang::IniDocument::load(path("English.lng")).find("FRMain", "BTgo.Caption").value_or(""),
              "Start");

    choose("English.lng");
    EXPECT_EQ(startCaption(), "Start");
}

TEST_F(LanguageTest, OtherExplainsAndOpensTheCurrentFileInATextEditor) {
    window->languageMenu().MNlangueOther_Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, platform::MessageIcon::Information);
    EXPECT_EQ(boxes.shown[0].text, lang::languageHowToText(path("English.lng")));
    ASSERT_EQ(opener.calls.size(), 1u);
    EXPECT_EQ(opener.calls[0].target, "notepad");
    EXPECT_EQ(opener.calls[0].parameters, path("English.lng"));
}

TEST_F(LanguageTest, TranslateButtonOpensTheMenuUnderItself) {
    click(files().cmdTranslate());
    QMenu& menu = window->languageMenu().menu();
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.pos(), files().cmdTranslate().mapToGlobal(QPoint(0, files().cmdTranslate().height())));
    menu.hide();
}

} // namespace
} // namespace quillon::window::testing
