// The "Colors" pane driven through its real widgets, with scripted dialogs and the scratch
// program folder for the style sheets.

#include "window_fixture.h"

#include "desktop/qt/qt_colours.h"
#include "scheme/style_sheet.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

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
        EXPECT_EQ(dialogs.requests.back().filter, "Fichiers CSS|*.CSS");
    }

    void expectCssControlsHidden(bool hidden) {
        for (const char* name : {"FrameCSS", "TXTcss", "BTchooseCSS", "BTviewCSS"}) {
            EXPECT_EQ(control<QWidget>(name).isHidden(), hidden) << name;
        }
    }

    static std::string defaultSheet() {
        return test::readBytes(test::dataDir() / "stylesheets" / "default.css");
    }
    // The default sheet with one piece of text replaced.
    static std::string defaultSheetWith(const std::string& from, const std::string& to) {
        std::string sheet = defaultSheet();
        return sheet.replace(sheet.find(from), from.size(), to);
    }
};

TEST_F(ColorsPaneTest, StartsOnTheDefaultSchemeWithEveryCategoryOn) {
    EXPECT_EQ(pane().scheme(), defaultColourScheme());
    for (int i = Comment; i < SchemeEntryCount; ++i) {
        expectEntry(i, entry(i));
        EXPECT_TRUE(entry(i).Enabled);
        EXPECT_FALSE(bold(i).isChecked());
    }
    EXPECT_EQ(colourOf(colourButton(Background)), 0);
    EXPECT_EQ(colourOf(colourButton(Normal)), White);
    expectFont("Courier New", "10");
    EXPECT_EQ(backgroundColour(control<QGroupBox>("FrameSample")), 0);
    EXPECT_TRUE(pane().optimize());
    EXPECT_FALSE(pane().useExternalCss());
    EXPECT_TRUE(pane().cssPath().isEmpty());
    expectCssControlsHidden(true);
}

// The words' captions are among the exported texts (see the language tests).
TEST_F(ColorsPaneTest, PreviewWordsReadAsTheSampleProgram) {
    // Scheme entry, left and top of each word.
    const int expected[14][3] = {{2, 60, 180},   {4, 60, 420},   {3, 1500, 900}, {6, 1140, 660},
                                 {1, 1200, 420}, {5, 2280, 420}, {4, 360, 660},  {1, 780, 660},
                                 {5, 960, 660},  {4, 1680, 660}, {6, 1980, 660}, {1, 720, 900},
                                 {4, 360, 1140}, {4, 60, 1380}};
    for (int i = 0; i < 14; ++i) {
        SCOPED_TRACE(i);
        const auto [tag, left, top] = expected[i];
        QLabel& label = word(i);
        EXPECT_EQ(label.property(TagProperty).toInt(), tag);
        EXPECT_EQ(label.pos(), pixels(left, top, 0, 0).topLeft());
        EXPECT_EQ(label.parentWidget()->objectName(), "FrameSample");
        EXPECT_EQ(label.font().family(), "Courier New");
        EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 8.25);
        EXPECT_FALSE(label.font().bold());
        EXPECT_EQ(backgroundColour(label), 0);
        EXPECT_EQ(textColour(label), entry(tag).Color);
    }
}

TEST_F(ColorsPaneTest, UntickingThenRetickingGivesNormalsColourAndNoBold) {
    click(bold(Comment));
    ASSERT_TRUE(entry(Comment).Bold);
    EXPECT_TRUE(word(0).font().bold());

    click(category(Comment));
    expectEntry(Comment, {false, White, false});
    EXPECT_EQ(colourOf(colourButton(Comment)), White);
    EXPECT_FALSE(bold(Comment).isChecked());
    // The preview shows the page as it will be: the comment in Normal's colour, not bold.
    EXPECT_EQ(textColour(word(0)), White);
    EXPECT_FALSE(word(0).font().bold());

    click(category(Comment));
    expectEntry(Comment, {true, White, false});
    EXPECT_FALSE(bold(Comment).isChecked());

    // The keyboard ticks a box as well as the mouse, and is captured the same way.
    category(Number).setFocus();
    QTest::keyClick(&category(Number), Qt::Key_Space);
    expectEntry(Number, {false, White, false});
}

TEST_F(ColorsPaneTest, ANewNormalColourReachesAnUntickedCategoryAtOnce) {
    click(category(String));
    colourDialog.answerColour(Magenta);
    click(colourButton(Normal));
    EXPECT_EQ(colourDialog.calls, std::vector<std::int32_t>{White});
    EXPECT_EQ(entry(Normal).Color, Magenta);
    expectEntry(String, {false, Magenta, false});
    EXPECT_EQ(textColour(word(2)), Magenta);
    EXPECT_EQ(textColour(word(4)), Magenta);

    // Ticked again, String takes the Normal colour of the moment it was unticked.
    click(category(String));
    expectEntry(String, {true, White, false});
    EXPECT_EQ(textColour(word(2)), White);
}

TEST_F(ColorsPaneTest, TheProgramsOwnValueChangesStartNoHandler) {
    pane().scheme().ConfigCouleur[Comment] = {false, Orange, true};
    pane().AfficheConfigCouleur(false);
    EXPECT_FALSE(category(Comment).isChecked());
    EXPECT_TRUE(colourButton(Comment).isHidden());
    // No capture ran: a capture would have given Comment Normal's colour and cleared its bold.
    EXPECT_EQ(entry(Comment), (TypeCouleur{false, Orange, true}));

    bold(KeyWord).setChecked(true);
    category(Other).setChecked(false);
    EXPECT_FALSE(entry(KeyWord).Bold);
    EXPECT_TRUE(entry(Other).Enabled);
    EXPECT_TRUE(fontDialog.calls == 0 && colourDialog.calls.empty() && dialogs.requests.empty());
}

TEST_F(ColorsPaneTest, ChosenColoursAndBoldAreCapturedAndACancelKeepsTheColour) {
    click(bold(KeyWord));
    EXPECT_TRUE(entry(KeyWord).Bold);
    for (int index : {1, 6, 9, 12, 13}) {
        EXPECT_TRUE(word(index).font().bold()) << index;
    }
    EXPECT_FALSE(word(4).font().bold());
    click(bold(KeyWord));
    EXPECT_FALSE(word(1).font().bold());

    colourDialog.answerColour(Navy);
    click(colourButton(Background));
    EXPECT_EQ(colourOf(colourButton(Background)), Navy);
    EXPECT_EQ(entry(Background).Color, Navy);
    EXPECT_EQ(backgroundColour(word(7)), Navy);
    EXPECT_EQ(backgroundColour(control<QGroupBox>("FrameSample")), Navy);
    colourDialog.answerColour(Orange);
    click(colourButton(Other));
    expectEntry(Other, {true, Orange, false});
    EXPECT_EQ(textColour(word(5)), Orange);
    EXPECT_EQ(textColour(word(8)), Orange);

    // A box set by the program is still captured after a cancelled colour choice.
    bold(Number).setChecked(true);
    colourDialog.answerCancel();
    click(colourButton(Number));
    EXPECT_EQ(colourDialog.calls.back(), rgb(255, 0, 0));
    expectEntry(Number, {true, rgb(255, 0, 0), true});
    EXPECT_TRUE(word(3).font().bold());
}

TEST_F(ColorsPaneTest, TheFontDialogDressesTheFontLabelAndACancelChangesNothing) {
    fontDialog.answerFont({"Liberation Mono", "12.5", true, true, true, true, rgb(200, 0, 0)});
    click(control<QPushButton>("BTfont"));
    expectFont("Liberation Mono", "12.5");
    QLabel& label = fontLabel();
    EXPECT_EQ(label.font().family(), "Liberation Mono");
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 12.5);
    EXPECT_TRUE(label.font().bold() && label.font().italic() && label.font().underline() &&
                label.font().strikeOut());
    EXPECT_EQ(textColour(label), rgb(200, 0, 0));
    EXPECT_EQ(word(1).font().family(), "Courier New") << "the preview keeps its own font";

    const QFont before = label.font();
    fontDialog.answerCancel();
    click(control<QPushButton>("BTfont"));
    // A name that would end a page's style block is no font for a style sheet.
    fontDialog.answerFont({"Evil</style>", "10", false, false, false, false, 0});
    click(control<QPushButton>("BTfont"));
    fontDialog.answerFont({"Arial", "big", false, false, false, false, 0});
    click(control<QPushButton>("BTfont"));
    EXPECT_EQ(fontDialog.calls, 4);
    expectFont("Liberation Mono", "12.5");
    EXPECT_EQ(label.font(), before);
}

TEST_F(ColorsPaneTest, SaveThenLoadBringsTheSavedSchemeBack) {
    click(bold(Comment));
    fontDialog.answerFont({"Liberation Mono", "9", false, false, false, false, 0});
    click(control<QPushButton>("BTfont"));
    const ColourScheme saved = pane().scheme();

    dialogs.answerPath(path("mine.css"));
    click(control<QPushButton>("BTsaveColor"));
    expectSheetDialog(platform::FileDialogKind::Save, "Save Style");
    const std::string written = test::readBytes(path("mine.css"));
    EXPECT_NE(written.find("font-family:Liberation Mono;\r\nfont-size:9pt;"), std::string::npos);
    EXPECT_NE(written.find(".c\r\n{\r\nCOLOR:#808080;\r\nfont-weight: bold;\r\n}"), std::string::npos);

    colourDialog.answerColour(Navy);
    click(colourButton(Background));
    colourDialog.answerColour(Orange);
    click(colourButton(KeyWord));
    click(bold(Comment));
    ASSERT_NE(pane().scheme(), saved);

    dialogs.answerPath(path("mine.css"));
    click(control<QPushButton>("BTloadCSS"));
    expectSheetDialog(platform::FileDialogKind::Open, "Choose Style");

    ColourScheme expected = saved;
    rederiveEnabled(expected);
    EXPECT_EQ(pane().scheme(), expected);
    EXPECT_EQ(colourOf(colourButton(Background)), 0);
    expectEntry(KeyWord, {true, rgb(0, 255, 255), false});
    EXPECT_TRUE(bold(Comment).isChecked());
    EXPECT_TRUE(word(0).font().bold());
    EXPECT_EQ(backgroundColour(word(0)), 0);
    expectFont("Liberation Mono", "9");
    EXPECT_TRUE(pane().cssPath().isEmpty()) << "loading does not choose an external sheet";
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ColorsPaneTest, ASheetWithStringInNormalsColourTurnsStringOff) {
    // String in Normal's colour; Key Word bold and in Normal's colour as well.
    std::string sheet = defaultSheetWith("COLOR:#00FF00;", "COLOR:#FFFFFF;");
    sheet.replace(sheet.find("COLOR:#00FFFF;\r\n"), 16, "COLOR:#ffffff;\r\nfont-weight: bold;\r\n");
    test::writeBytes(path("plain.css"), sheet);
    dialogs.answerPath(path("plain.css"));
    click(control<QPushButton>("BTloadCSS"));
    ASSERT_TRUE(boxes.shown.empty());

    expectEntry(String, {false, White, false});
    EXPECT_TRUE(entry(Comment).Enabled);
    // Bold in the file: the preview shows it bold while its Bold box is hidden and cleared...
    EXPECT_TRUE(entry(KeyWord).Bold);
    EXPECT_TRUE(word(1).font().bold());
    EXPECT_TRUE(bold(KeyWord).isHidden());
    EXPECT_FALSE(bold(KeyWord).isChecked());
    // ...until the next capture clears the flag.
    click(bold(Number));
    EXPECT_FALSE(entry(KeyWord).Bold);
    EXPECT_FALSE(word(1).font().bold());
}

TEST_F(ColorsPaneTest, TheExternalSheetChooserNamesTheSheetAndLoadsIt) {
    click(control<QCheckBox>("CHKcss"));
    ASSERT_TRUE(pane().useExternalCss());
    expectCssControlsHidden(false);

    test::writeBytes(path("site.css"), defaultSheetWith("COLOR:#FFFFFF;", "COLOR:#C0C0C0;"));
    dialogs.answerPath(path("site.css"));
    click(control<QToolButton>("BTchooseCSS"));
    expectSheetDialog(platform::FileDialogKind::Open, "Choose a CSS");
    EXPECT_EQ(pane().cssText(), "site.css");
    EXPECT_EQ(control<QLineEdit>("TXTcss").text(), "site.css");
    EXPECT_EQ(pane().cssPath().toStdString(), path("site.css"));
    EXPECT_EQ(entry(Normal).Color, rgb(192, 192, 192));

    click(control<QToolButton>("BTviewCSS"));
    ASSERT_EQ(opener.calls.size(), 1U);
    EXPECT_EQ(opener.calls[0], (test::FakeDocumentOpener::Call{"notepad", platform::ShowDefault,
                                                               path("site.css"), "", "open", 0}));

    // Cancelled: no sheet chosen any more; the scheme stays as loaded.
    const ColourScheme loaded = pane().scheme();
    dialogs.answerCancel();
    click(control<QToolButton>("BTchooseCSS"));
    EXPECT_TRUE(pane().cssText().isEmpty());
    EXPECT_TRUE(pane().cssPath().isEmpty());
    EXPECT_EQ(pane().scheme(), loaded);

    click(control<QCheckBox>("CHKcss"));
    EXPECT_FALSE(pane().useExternalCss());
    expectCssControlsHidden(true);
}

TEST_F(ColorsPaneTest, CancelledOrRefusedSheetsChangeNothing) {
    click(category(Other));
    colourDialog.answerColour(Orange);
    click(colourButton(KeyWord));
    const ColourScheme before = pane().scheme();

    const auto entries = [&] {
        return std::distance(std::filesystem::directory_iterator(folder.path()), {});
    };
    const auto entriesBefore = entries();
    dialogs.answerCancel();
    click(control<QPushButton>("BTloadCSS"));
    dialogs.answerCancel();
    click(control<QPushButton>("BTsaveColor"));
    EXPECT_EQ(dialogs.requests.size(), 2U);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(entries(), entriesBefore) << "a cancelled save writes nothing";

    // Sheets not written by Quillon: cut after the ".o" block's colour line, or in lower case.
    std::string cut = defaultSheet();
    cut.resize(cut.find(".s\r\n") - 3);
    test::writeBytes(path("short.css"), cut);
    test::writeBytes(path("lower.css"), "pre\r\n" + defaultSheet().substr(5));
    dialogs.answerPath(path("short.css"));
    click(control<QPushButton>("BTloadCSS"));
    dialogs.answerPath(path("lower.css"));
    click(control<QPushButton>("BTloadCSS"));
    ASSERT_EQ(boxes.shown.size(), 2U);
    EXPECT_EQ(boxes.shown[0],
              (platform::MessageBoxRequest{path("short.css") + " is not a valid CSS for Quillon !",
                                           MessageIcon::Critical, "Quillon Free"}));
    EXPECT_EQ(boxes.shown[1].text, path("lower.css") + " is not a valid CSS for Quillon !");

    EXPECT_EQ(pane().scheme(), before);
    expectEntry(Other, {false, White, false});
    expectEntry(KeyWord, {true, Orange, false});
}

TEST_F(ColorsPaneTest, FilesThatCannotBeOpenedOrWrittenGoThroughTheStandardTrap) {
    const ColourScheme before = pane().scheme();
    dialogs.answerPath(path("missing.css"));
    click(control<QPushButton>("BTloadCSS"));
    dialogs.answerPath(path("gone.css"));
    click(control<QToolButton>("BTchooseCSS"));
    dialogs.answerPath(path("no/such/folder/out.css"));
    click(control<QPushButton>("BTsaveColor"));

    ASSERT_EQ(boxes.shown.size(), 3U);
    EXPECT_EQ(boxes.shown[0].title, "ERREUR n°53 in BTloadCSS_Click");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Critical);
    EXPECT_NE(boxes.shown[0].text.find("File not found"), std::string::npos);
    EXPECT_EQ(boxes.shown[1].title, "ERREUR n°53 in BTchooseCSS_Click");
    EXPECT_EQ(boxes.shown[2].title, "ERREUR n°76 in SaveCoulorInFile");
    EXPECT_EQ(pane().scheme(), before);
    // The chooser names what the user picked, even when it cannot be read.
    EXPECT_EQ(pane().cssText(), "gone.css");
}

} // namespace
} // namespace quillon::window::testing
