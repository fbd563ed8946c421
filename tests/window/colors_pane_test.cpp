// The "Colors" pane driven through its real widgets, with scripted dialogs and the scratch
// program folder for the style sheets.

#include "window_fixture.h"

#include "desktop/qt/qt_colours.h"
#include "scheme/style_sheet.h"
#include "scheme/themes.h"

namespace quillon::window::testing {
namespace {

using platform::MessageIcon;

constexpr std::int32_t White = rgb(255, 255, 255);
constexpr std::int32_t Magenta = rgb(255, 0, 255);
constexpr std::int32_t Orange = rgb(255, 128, 0);
constexpr std::int32_t Navy = rgb(0, 0, 128);

class ColorsPaneTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->selectPane(ColorsPaneIndex);
    }

    ColorsPane& pane() { return window->colors(); }
    QCheckBox& category(int index) { return control<QCheckBox>("CHKtext", index); }
    QCheckBox& bold(int index) { return control<QCheckBox>("CHKbold", index); }
    QPushButton& colourButton(int index) { return control<QPushButton>("BTtext", index); }
    QLabel& word(int index) { return control<QLabel>("LBL", index); }
    QLabel& fontLabel() { return control<QLabel>("LBLfont"); }
    const TypeCouleur& entry(int index) {
        return pane().scheme().ConfigCouleur[static_cast<std::size_t>(index)];
    }

    static std::int32_t colourOf(const QPushButton& button) {
        return button.property(BackColorProperty).toInt();
    }
    static std::int32_t textColour(const QWidget& widget) {
        return platform::fromQColor(widget.palette().color(QPalette::WindowText));
    }
    static std::int32_t backgroundColour(const QWidget& widget) {
        return platform::fromQColor(widget.palette().color(QPalette::Window));
    }

    // An entry as captured, and its controls: the button and the Bold box are there (and the
    // button shows the colour) only while the category is on.
    void expectEntry(int index, TypeCouleur expected) {
        SCOPED_TRACE(index);
        EXPECT_EQ(entry(index), expected);
        if (expected.Enabled) {
            EXPECT_EQ(colourOf(colourButton(index)), expected.Color);
        }
        EXPECT_EQ(category(index).isChecked(), expected.Enabled);
        EXPECT_EQ(colourButton(index).isHidden(), !expected.Enabled);
        EXPECT_EQ(bold(index).isHidden(), !expected.Enabled);
    }

    // The scheme's font, and the font label that shows it.
    void expectFont(const char* name, const char* size) {
        EXPECT_EQ(pane().scheme().fontName, name);
        EXPECT_EQ(pane().scheme().fontSize, size);
        EXPECT_EQ(fontLabel().text(), name);
        EXPECT_EQ(fontLabel().property(TagProperty).toString(), size);
    }

    // The last file dialog asked for a style sheet.
    void expectSheetDialog(platform::FileDialogKind kind, const char* title) {
        ASSERT_FALSE(dialogs.requests.empty());
        EXPECT_EQ(dialogs.requests.back().kind, kind);
        EXPECT_EQ(dialogs.requests.back().title, title);
    }

    static std::string defaultSheet() {
        return test::readBytes(test::dataDir() / "stylesheets" / "default.css");
    }
};

// The preview shows the page as it will be: an unticked category in Normal's colour, not bold.
TEST_F(ColorsPaneTest, AnUntickedCategoryFollowsNormalsColourWithoutBoldUntilTickedAgain) {
    click(bold(Comment));
    ASSERT_TRUE(word(0).font().bold());
    click(category(Comment));
    expectEntry(Comment, {false, White, false});
    EXPECT_EQ(textColour(word(0)), White);
    EXPECT_FALSE(word(0).font().bold());
    colourDialog.answer(Magenta);
    click(colourButton(Normal));
    EXPECT_EQ(colourDialog.openedOn, std::vector<std::int32_t>{White});
    expectEntry(Comment, {false, Magenta, false});
    EXPECT_EQ(textColour(word(0)), Magenta);
    // Ticked again, it takes the Normal colour of the moment it was unticked.
    click(category(Comment));
    expectEntry(Comment, {true, White, false});
    EXPECT_FALSE(bold(Comment).isChecked());
    // The keyboard ticks a box as well as the mouse, and is captured the same way.
    category(Number).setFocus();
    QTest::keyClick(&category(Number), Qt::Key_Space);
    expectEntry(Number, {false, Magenta, false});
}

// Values the program sets start no capture; the next choice of the user captures them.
TEST_F(ColorsPaneTest, BoxesSetByTheProgramAreCapturedOnlyByTheNextChoiceOfTheUser) {
    pane().scheme().ConfigCouleur[Comment] = {false, Orange, true};
    pane().AfficheConfigCouleur(false);
    EXPECT_TRUE(colourButton(Comment).isHidden());
    // A capture would have given Comment Normal's colour and cleared its bold.
    EXPECT_EQ(entry(Comment), (TypeCouleur{false, Orange, true}));
    bold(Number).setChecked(true);
    EXPECT_FALSE(entry(Number).Bold);
    EXPECT_TRUE(fontDialog.openedOn.empty() && colourDialog.openedOn.empty() && dialogs.requests.empty());
    colourDialog.answerCancel();
    click(colourButton(Number));
    EXPECT_EQ(colourDialog.openedOn.back(), rgb(255, 0, 0));
    expectEntry(Number, {true, rgb(255, 0, 0), true});
    EXPECT_TRUE(word(3).font().bold());
    colourDialog.answer(Orange);
    click(colourButton(Other));
    expectEntry(Other, {true, Orange, false});
    EXPECT_EQ(textColour(word(8)), Orange);
}

TEST_F(ColorsPaneTest, TheFontDialogOpensOnTheLabelsFontDressesTheLabelAndACancelChangesNothing) {
    fontDialog.answer({"Liberation Mono", "12.5", true, true, true, true, rgb(200, 0, 0)});
    click(control<QPushButton>("BTfont"));
    expectFont("Liberation Mono", "12.5");
    QLabel& label = fontLabel();
    EXPECT_TRUE(label.font().bold() && label.font().italic() && label.font().strikeOut());
    EXPECT_EQ(textColour(label), rgb(200, 0, 0));
    EXPECT_EQ(word(1).font().family(), "Courier New") << "the preview keeps its own font";

    const QFont before = label.font();
    fontDialog.answerCancel();
    click(control<QPushButton>("BTfont"));
    // A name that would end a page's style block is no font for a style sheet.
    fontDialog.answer({"Evil</style>", "10", false, false, false, false, 0});
    click(control<QPushButton>("BTfont"));
    expectFont("Liberation Mono", "12.5");
    EXPECT_EQ(label.font(), before);
    // Each time the dialog opens on the font the label shows.
    const platform::FontChoice chosen{"Liberation Mono", "12.5", true, true, true, true, rgb(200, 0, 0)};
    EXPECT_EQ(fontDialog.openedOn,
              (std::vector<platform::FontChoice>{
                  {"Courier New", "10", false, false, false, false, 0}, chosen, chosen}));
}

// A theme is one more scheme to start from: shown at once, the font kept, every category on.
TEST_F(ColorsPaneTest, AThemeIsShownAtOnceAndKeepsTheFontAndTheDarkVariantFollowsItsBox) {
    fontDialog.answer({"Liberation Mono", "9", false, false, false, false, 0});
    click(control<QPushButton>("BTfont"));
    click(category(String));
    auto& themes = control<QComboBox>("LSTtheme");
    themes.setFocus();
    QTest::keyClick(&themes, Qt::Key_Down);
    ASSERT_EQ(themes.currentText(), "VB6 IDE");
    EXPECT_EQ(pane().scheme().ConfigCouleur, themeNamed("vb6")->entries);
    expectFont("Liberation Mono", "9");
    expectEntry(String, {true, rgb(0, 0, 0), false});
    EXPECT_EQ(colourOf(colourButton(KeyWord)), Navy);
    EXPECT_EQ(backgroundColour(word(1)), White);
    EXPECT_EQ(textColour(word(1)), Navy);

    auto& darkThemes = control<QComboBox>("LSTdark");
    EXPECT_FALSE(pane().darkScheme());
    EXPECT_FALSE(darkThemes.isEnabled());
    EXPECT_EQ(darkThemes.currentText(), "Dark");
    click(control<QCheckBox>("CHKdark"));
    EXPECT_TRUE(darkThemes.isEnabled());
    // Turned off on the page, a category is off in its dark variant too.
    click(category(Comment));
    ASSERT_TRUE(pane().darkScheme());
    EXPECT_FALSE(pane().darkScheme()->ConfigCouleur[Comment].Enabled);
}

TEST_F(ColorsPaneTest, SaveThenLoadBringsTheSavedSchemeBack) {
    click(bold(Comment));
    fontDialog.answer({"Liberation Mono", "9", false, false, false, false, 0});
    click(control<QPushButton>("BTfont"));
    const ColourScheme saved = pane().scheme();

    dialogs.answerPath(path("mine.css"));
    click(control<QPushButton>("BTsaveColor"));
    expectSheetDialog(platform::FileDialogKind::Save, "Save Style");

    colourDialog.answer(Navy);
    click(colourButton(Background));
    click(bold(Comment));

    dialogs.answerPath(path("mine.css"));
    click(control<QPushButton>("BTloadCSS"));
    expectSheetDialog(platform::FileDialogKind::Open, "Choose Style");

    ColourScheme expected = saved;
    rederiveEnabled(expected);
    EXPECT_EQ(pane().scheme(), expected);
    EXPECT_TRUE(bold(Comment).isChecked());
    EXPECT_EQ(backgroundColour(word(0)), 0);
    expectFont("Liberation Mono", "9");
    EXPECT_TRUE(pane().cssPath().isEmpty()) << "loading does not choose an external sheet";
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ColorsPaneTest, TheExternalSheetChooserNamesTheSheetAndLoadsIt) {
    click(control<QCheckBox>("CHKcss"));
    for (const char* name : {"FrameCSS", "TXTcss", "BTchooseCSS", "BTviewCSS"}) {
        EXPECT_FALSE(control<QWidget>(name).isHidden()) << name;
    }

    ColourScheme grey = defaultColourScheme();
    grey.ConfigCouleur[Normal].Color = rgb(192, 192, 192);
    SaveCoulorInFile(path("site.css"), grey);
    dialogs.answerPath(path("site.css"));
    click(control<QToolButton>("BTchooseCSS"));
    expectSheetDialog(platform::FileDialogKind::Open, "Choose a CSS");
    EXPECT_EQ(control<QLineEdit>("TXTcss").text(), "site.css");
    EXPECT_EQ(pane().cssPath().toStdString(), path("site.css"));
    EXPECT_EQ(entry(Normal).Color, rgb(192, 192, 192));

    click(control<QToolButton>("BTviewCSS"));
    EXPECT_EQ(opener.calls, (std::vector<test::FakeDocumentOpener::Call>{
                                {"notepad", platform::ShowDefault, path("site.css"), "", "open", 0}}));

    // Cancelled: no sheet chosen any more; the scheme stays as loaded.
    const ColourScheme loaded = pane().scheme();
    dialogs.answerCancel();
    click(control<QToolButton>("BTchooseCSS"));
    EXPECT_TRUE(pane().cssText().isEmpty());
    EXPECT_TRUE(pane().cssPath().isEmpty());
    EXPECT_EQ(pane().scheme(), loaded);
}

// Cancels write nothing and show nothing; refused or unreadable sheets say why and keep the scheme.
TEST_F(ColorsPaneTest, CancelledRefusedOrUnreadableSheetsChangeNothing) {
    colourDialog.answer(Orange);
    click(colourButton(KeyWord));
    const ColourScheme before = pane().scheme();
    const auto entriesBefore = std::distance(std::filesystem::directory_iterator(folder.path()), {});
    dialogs.answerCancel();
    click(control<QPushButton>("BTloadCSS"));
    dialogs.answerCancel();
    click(control<QPushButton>("BTsaveColor"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), entriesBefore);
    test::writeBytes(path("lower.css"), "pre\r\n" + defaultSheet().substr(5));
    for (const char* name : {"lower.css", "missing.css"}) {
        dialogs.answerPath(path(name));
        click(control<QPushButton>("BTloadCSS"));
    }
    dialogs.answerPath(path("gone.css"));
    click(control<QToolButton>("BTchooseCSS"));
    dialogs.answerPath(path("no/such/folder/out.css"));
    click(control<QPushButton>("BTsaveColor"));
    ASSERT_EQ(boxes.shown.size(), 4U);
    EXPECT_EQ(boxes.shown[0],
              (platform::MessageBoxRequest{path("lower.css") + " is not a valid CSS for Quillon !",
                                           MessageIcon::Critical, "Quillon Free"}));
    EXPECT_EQ(boxes.shown[1].title, "ERREUR n°53 in BTloadCSS_Click");
    EXPECT_EQ(boxes.shown[2].title, "ERREUR n°53 in BTchooseCSS_Click");
    EXPECT_EQ(boxes.shown[3].title, "ERREUR n°76 in SaveCoulorInFile");
    EXPECT_EQ(pane().scheme(), before);
    expectEntry(KeyWord, {true, Orange, false});
    // The chooser names what the user picked, even when it cannot be read.
    EXPECT_EQ(pane().cssText(), "gone.css");
}

} // namespace
} // namespace quillon::window::testing
