// The "Colors" pane driven through its real widgets, with scripted dialogs and a scratch folder
// for the style sheets.

#include "window/colors_pane.h"

#include "lang/settings_store.h"
#include "lang/translate.h"
#include "platform/qt/fakes/platform_fakes.h"
#include "platform/qt/qt_colours.h"
#include "scheme/style_sheet.h"
#include "support/test_support.h"
#include "window/twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace quillon::window {
namespace {

using platform::MessageIcon;
using test::FakeColourDialog;
using test::FakeDocumentOpener;
using test::FakeFileDialogs;
using test::FakeFontDialog;
using test::FakeMessageBoxes;
using test::ScratchDir;

constexpr std::int32_t White = rgb(255, 255, 255);
constexpr std::int32_t Magenta = rgb(255, 0, 255);
constexpr std::int32_t Orange = rgb(255, 128, 0);
constexpr std::int32_t Navy = rgb(0, 0, 128);

const std::string DefaultSheet = "PRE\r\n{\r\nCOLOR:#FFFFFF;\r\nbackground:#000000;\r\n"
                                 "font-family:Courier New;\r\nfont-size:10pt;\r\n}\r\n"
                                 ".k\r\n{\r\nCOLOR:#00FFFF;\r\n}\r\n.c\r\n{\r\nCOLOR:#808080;\r\n}\r\n"
                                 ".o\r\n{\r\nCOLOR:#FFFF00;\r\n}\r\n.s\r\n{\r\nCOLOR:#00FF00;\r\n}\r\n"
                                 ".n\r\n{\r\nCOLOR:#FF0000;\r\n}\r\n";

// The default sheet with one piece of text replaced.
std::string defaultSheetWith(const std::string& from, const std::string& to) {
    std::string sheet = DefaultSheet;
    const std::size_t at = sheet.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? sheet : sheet.replace(at, from.size(), to);
}

class ColorsPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousLanguage = lang::CurrentLanguageFile();
        const std::string languageFile = (scratch / "English.lng").string();
        lang::WriteIniSection(languageFile, lang::MessageSection, lang::englishMessages());
        lang::setCurrentLanguageFile(languageFile);
        setErrorReporter(&reporter);
        pane = std::make_unique<ColorsPane>(services);
        pane->show();
    }

    void TearDown() override {
        pane.reset();
        setErrorReporter(nullptr);
        lang::setCurrentLanguageFile(previousLanguage);
    }

    template <class Widget> Widget& control(const char* name, int index = -1) {
        for (Widget* widget : pane->findChildren<Widget*>(QString::fromLatin1(name))) {
            const QVariant vbIndex = widget->property(VbIndexProperty);
            if (index < 0 ? !vbIndex.isValid() : vbIndex.isValid() && vbIndex.toInt() == index) {
                return *widget;
            }
        }
        ADD_FAILURE() << "no control " << name << "(" << index << ")";
        throw std::runtime_error("missing control");
    }

    QCheckBox& category(int index) { return control<QCheckBox>("CHKtext", index); }
    QCheckBox& bold(int index) { return control<QCheckBox>("CHKbold", index); }
    QPushButton& colourButton(int index) { return control<QPushButton>("BTtext", index); }
    QLabel& word(int index) { return control<QLabel>("LBL", index); }
    QLabel& fontLabel() { return control<QLabel>("LBLfont"); }

    static std::int32_t colourOf(const QPushButton& button) {
        return button.property(BackColorProperty).toInt();
    }
    static std::int32_t textColour(const QWidget& widget) {
        return platform::fromQColor(widget.palette().color(QPalette::WindowText));
    }
    static std::int32_t backgroundColour(const QWidget& widget) {
        return platform::fromQColor(widget.palette().color(QPalette::Window));
    }

    // A user's click: on the box of a tick box, in the middle of anything else.
    static void click(QAbstractButton& button) {
        const QPoint at = qobject_cast<QCheckBox*>(&button) != nullptr ? QPoint(6, button.height() / 2)
                                                                       : button.rect().center();
        QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, at);
    }

    const TypeCouleur& entry(int index) const {
        return pane->scheme().ConfigCouleur[static_cast<std::size_t>(index)];
    }

    std::string path(const std::string& name) const { return (scratch / name).string(); }

    ScratchDir scratch;
    FakeFileDialogs files{scratch.path().string()};
    FakeColourDialog colours;
    FakeFontDialog fonts;
    FakeMessageBoxes boxes;
    FakeDocumentOpener opener;
    lang::MemorySettingsStore settings;
    WindowServices services{files, colours, fonts, boxes, opener, settings, scratch.path().string()};
    platform::MessageBoxErrorReporter reporter{boxes};
    std::string previousLanguage;
    std::unique_ptr<ColorsPane> pane;
};

// ---------------------------------------------------------------------------------------------
// Layout and start

struct Placement {
    const char* name;
    int index;
    int left, top, width, height;
};

TEST_F(ColorsPaneTest, EveryControlSitsAtItsPlaceWithItsTexts) {
    EXPECT_EQ(pane->objectName(), "FrameSTEP");
    EXPECT_EQ(pane->property(VbIndexProperty).toInt(), 1);

    const double dpi = pane->logicalDpiX();
    const auto px = [dpi](int twips) { return twipsToPixels(twips, dpi); };
    const Placement placements[] = {
        {"FrameConfig", -1, 210, 210, 3015, 2775}, {"FrameSample", -1, 3420, 900, 5115, 1935},
        {"BTloadCSS", -1, 3480, 3060, 1335, 435},  {"BTsaveColor", -1, 7260, 3060, 1275, 435},
        {"FrameCSS", -1, 300, 3630, 2595, 855},    {"TXTcss", -1, 480, 3930, 1455, 315},
        {"BTchooseCSS", -1, 1980, 3930, 375, 315}, {"BTviewCSS", -1, 2400, 3930, 375, 315},
        {"BTfont", -1, 3480, 3630, 735, 375},
    };
    for (const Placement& p : placements) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(control<QWidget>(p.name, p.index).geometry(),
                  QRect(px(p.left), px(p.top), px(p.width), px(p.height)));
    }
    for (int i = 0; i < SchemeEntryCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(colourButton(i).geometry(), QRect(px(1440), px(180 + 360 * i), px(435), px(315)));
        EXPECT_EQ(colourButton(i).parentWidget()->objectName(), "FrameConfig");
        EXPECT_TRUE(colourButton(i).text().isEmpty());
        if (i >= Comment) {
            EXPECT_EQ(category(i).x(), px(120));
            EXPECT_EQ(bold(i).x(), px(2040));
            EXPECT_EQ(bold(i).text(), "Bold");
        }
    }
    EXPECT_EQ(control<QLabel>("LBLtext", 0).x(), px(120));
    EXPECT_EQ(control<QLabel>("LBLtext", 1).x(), px(60));
    EXPECT_EQ(control<QWidget>("Label3").pos(), QPoint(px(3420), px(600)));
    EXPECT_EQ(control<QWidget>("LBLfont").pos(), QPoint(px(4290), px(3630)));
    EXPECT_EQ(control<QWidget>("CHKoptimize").pos(), QPoint(px(450), px(3240)));
    EXPECT_EQ(control<QWidget>("CHKcss").pos(), QPoint(px(450), px(3600)));

    const QStringList captions{
        "BackGround :", "Normal :", "Comment :", "String :", "Key Word :", "Other :", "Number :"};
    EXPECT_EQ(control<QLabel>("LBLtext", 0).text(), captions[0]);
    EXPECT_EQ(control<QLabel>("LBLtext", 1).text(), captions[1]);
    for (int i = Comment; i < SchemeEntryCount; ++i) {
        EXPECT_EQ(category(i).text(), captions[i]);
    }
    EXPECT_EQ(control<QLabel>("Label3").text(), "Preview :");
    EXPECT_EQ(control<QGroupBox>("FrameSample").title(), "Example");
    EXPECT_EQ(control<QPushButton>("BTloadCSS").text(), "Load a CSS");
    EXPECT_EQ(control<QPushButton>("BTloadCSS").toolTip(), "But only the CSS saved by Quillon");
    EXPECT_EQ(control<QPushButton>("BTsaveColor").text(), "Save as CSS");
    EXPECT_EQ(control<QCheckBox>("CHKoptimize").text(), "Optimize size");
    EXPECT_EQ(control<QCheckBox>("CHKoptimize").toolTip(), "10% Less Size but more work time");
    EXPECT_EQ(control<QCheckBox>("CHKcss").text(), "Use External CSS :");
    EXPECT_EQ(control<QToolButton>("BTchooseCSS").toolTip(), "Open a CSS (saved by Quillon)");
    EXPECT_EQ(control<QToolButton>("BTviewCSS").toolTip(), "View this CSS");
    EXPECT_EQ(control<QPushButton>("BTfont").text(), "Font ...");
    EXPECT_TRUE(control<QGroupBox>("FrameConfig").title().isEmpty());
    EXPECT_TRUE(control<QGroupBox>("FrameCSS").title().isEmpty());

    // Relabelled by the language walk after construction.
    category(Comment).setText("Commentaire :");
    category(Comment).setToolTip("Les commentaires");
    EXPECT_EQ(category(Comment).text(), "Commentaire :");
}

TEST_F(ColorsPaneTest, PreviewWordsReadAsTheSampleProgram) {
    struct Word {
        const char* caption;
        int tag, left, top;
    };
    const Word expected[14] = {
        {"'   It's my first SUB !", 2, 60, 180},
        {"Public Sub", 4, 60, 420},
        {"\"Hello World !\"", 3, 1500, 900},
        {"1234", 6, 1140, 660},
        {"HelloWorld", 1, 1200, 420},
        {"()", 5, 2280, 420},
        {"For", 4, 360, 660},
        {"i", 1, 780, 660},
        {"=", 5, 960, 660},
        {"To", 4, 1680, 660},
        {"5678", 6, 1980, 660},
        {"MsgBox", 1, 720, 900},
        {"Next", 4, 360, 1140},
        {"End Sub", 4, 60, 1380},
    };
    const double dpi = pane->logicalDpiX();
    for (int i = 0; i < 14; ++i) {
        SCOPED_TRACE(i);
        QLabel& label = word(i);
        EXPECT_EQ(label.text(), expected[i].caption);
        EXPECT_EQ(label.property(TagProperty).toInt(), expected[i].tag);
        EXPECT_EQ(label.pos(),
                  QPoint(twipsToPixels(expected[i].left, dpi), twipsToPixels(expected[i].top, dpi)));
        EXPECT_EQ(label.parentWidget()->objectName(), "FrameSample");
        EXPECT_EQ(label.font().family(), "Courier New");
        EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 8.25);
        EXPECT_FALSE(label.font().bold());
        EXPECT_EQ(backgroundColour(label), 0);
        EXPECT_EQ(textColour(label),
                  defaultColourScheme().ConfigCouleur[static_cast<std::size_t>(expected[i].tag)].Color);
    }
    EXPECT_EQ(word(2).text().size(), 15);
}

TEST_F(ColorsPaneTest, StartsOnTheDefaultSchemeWithEveryCategoryOn) {
    EXPECT_EQ(pane->scheme(), defaultColourScheme());
    for (int i = 0; i < SchemeEntryCount; ++i) {
        EXPECT_EQ(colourOf(colourButton(i)), entry(i).Color);
        EXPECT_FALSE(colourButton(i).isHidden());
    }
    for (int i = Comment; i < SchemeEntryCount; ++i) {
        EXPECT_TRUE(category(i).isChecked());
        EXPECT_FALSE(bold(i).isChecked());
        EXPECT_FALSE(bold(i).isHidden());
    }
    EXPECT_EQ(fontLabel().text(), "Courier New");
    EXPECT_EQ(fontLabel().property(TagProperty).toString(), "10");
    EXPECT_EQ(backgroundColour(control<QGroupBox>("FrameSample")), 0);

    EXPECT_TRUE(pane->optimize());
    EXPECT_FALSE(pane->useExternalCss());
    EXPECT_TRUE(pane->cssText().isEmpty());
    EXPECT_TRUE(pane->cssPath().isEmpty());
    for (const char* name : {"FrameCSS", "TXTcss", "BTchooseCSS", "BTviewCSS"}) {
        EXPECT_TRUE(control<QWidget>(name).isHidden()) << name;
    }
}

// ---------------------------------------------------------------------------------------------
// Tick boxes and colour buttons

TEST_F(ColorsPaneTest, UntickingThenRetickingGivesNormalsColourAndNoBold) {
    click(bold(Comment));
    ASSERT_TRUE(entry(Comment).Bold);
    EXPECT_TRUE(word(0).font().bold());

    click(category(Comment));
    EXPECT_FALSE(category(Comment).isChecked());
    EXPECT_FALSE(entry(Comment).Enabled);
    EXPECT_EQ(entry(Comment).Color, White);
    EXPECT_FALSE(entry(Comment).Bold);
    EXPECT_TRUE(colourButton(Comment).isHidden());
    EXPECT_TRUE(bold(Comment).isHidden());
    EXPECT_FALSE(bold(Comment).isChecked());
    EXPECT_EQ(colourOf(colourButton(Comment)), White);
    // The preview shows the page as it will be: the comment in Normal's colour, not bold.
    EXPECT_EQ(textColour(word(0)), White);
    EXPECT_FALSE(word(0).font().bold());

    click(category(Comment));
    EXPECT_TRUE(entry(Comment).Enabled);
    EXPECT_EQ(entry(Comment).Color, White);
    EXPECT_FALSE(entry(Comment).Bold);
    EXPECT_FALSE(colourButton(Comment).isHidden());
    EXPECT_FALSE(bold(Comment).isHidden());
    EXPECT_FALSE(bold(Comment).isChecked());

    // The keyboard ticks a box as well as the mouse, and is captured the same way.
    category(Number).setFocus();
    QTest::keyClick(&category(Number), Qt::Key_Space);
    EXPECT_FALSE(entry(Number).Enabled);
    EXPECT_TRUE(colourButton(Number).isHidden());
}

TEST_F(ColorsPaneTest, ANewNormalColourReachesAnUntickedCategoryAtOnce) {
    click(category(String));
    colours.answerColour(Magenta);
    click(colourButton(Normal));

    EXPECT_EQ(colours.calls, std::vector<std::int32_t>{White});
    EXPECT_EQ(entry(Normal).Color, Magenta);
    EXPECT_EQ(entry(String).Color, Magenta);
    EXPECT_EQ(textColour(word(2)), Magenta);
    EXPECT_EQ(textColour(word(4)), Magenta);

    // Ticked again, String takes the Normal colour of the moment it was unticked.
    click(category(String));
    EXPECT_TRUE(entry(String).Enabled);
    EXPECT_EQ(entry(String).Color, White);
    EXPECT_EQ(textColour(word(2)), White);
}

TEST_F(ColorsPaneTest, TheProgramsOwnValueChangesStartNoHandler) {
    pane->scheme().ConfigCouleur[Comment] = {false, Orange, true};
    pane->AfficheConfigCouleur(false);
    EXPECT_FALSE(category(Comment).isChecked());
    EXPECT_TRUE(colourButton(Comment).isHidden());
    // No capture ran: a capture would have given Comment Normal's colour and cleared its bold.
    EXPECT_EQ(entry(Comment), (TypeCouleur{false, Orange, true}));

    bold(KeyWord).setChecked(true);
    category(Other).setChecked(false);
    EXPECT_FALSE(entry(KeyWord).Bold);
    EXPECT_TRUE(entry(Other).Enabled);
    EXPECT_TRUE(fonts.calls == 0 && colours.calls.empty() && files.requests.empty());
}

TEST_F(ColorsPaneTest, BoldBoxesCaptureAndRepaintThePreview) {
    click(bold(KeyWord));
    EXPECT_TRUE(entry(KeyWord).Bold);
    for (int index : {1, 6, 9, 12, 13}) {
        EXPECT_TRUE(word(index).font().bold()) << index;
    }
    EXPECT_FALSE(word(4).font().bold());
    click(bold(KeyWord));
    EXPECT_FALSE(entry(KeyWord).Bold);
    EXPECT_FALSE(word(1).font().bold());
}

TEST_F(ColorsPaneTest, ChosenColoursAreCapturedAndACancelKeepsTheColour) {
    colours.answerColour(Navy);
    click(colourButton(Background));
    EXPECT_EQ(colourOf(colourButton(Background)), Navy);
    EXPECT_EQ(entry(Background).Color, Navy);
    EXPECT_EQ(backgroundColour(word(7)), Navy);
    EXPECT_EQ(backgroundColour(control<QGroupBox>("FrameSample")), Navy);

    colours.answerColour(Orange);
    click(colourButton(Other));
    EXPECT_EQ(entry(Other).Color, Orange);
    EXPECT_EQ(textColour(word(5)), Orange);
    EXPECT_EQ(textColour(word(8)), Orange);

    // A box set by the program is still captured after a cancelled colour choice.
    bold(Number).setChecked(true);
    colours.answerCancel();
    click(colourButton(Number));
    EXPECT_EQ(colours.calls.back(), entry(Number).Color);
    EXPECT_EQ(entry(Number).Color, rgb(255, 0, 0));
    EXPECT_TRUE(entry(Number).Bold);
    EXPECT_TRUE(word(3).font().bold());
}

// ---------------------------------------------------------------------------------------------
// Font

TEST_F(ColorsPaneTest, TheFontDialogDressesTheFontLabelAndACancelChangesNothing) {
    platform::FontChoice choice{"Liberation Mono", "12.5", true, true, true, true, rgb(200, 0, 0)};
    fonts.answerFont(choice);
    click(control<QPushButton>("BTfont"));

    QLabel& label = fontLabel();
    EXPECT_EQ(label.text(), "Liberation Mono");
    EXPECT_EQ(label.property(TagProperty).toString(), "12.5");
    EXPECT_EQ(label.font().family(), "Liberation Mono");
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 12.5);
    EXPECT_TRUE(label.font().bold() && label.font().italic() && label.font().underline() &&
                label.font().strikeOut());
    EXPECT_EQ(textColour(label), rgb(200, 0, 0));
    EXPECT_EQ(pane->scheme().fontName, "Liberation Mono");
    EXPECT_EQ(pane->scheme().fontSize, "12.5");
    // The preview keeps its own font.
    EXPECT_EQ(word(1).font().family(), "Courier New");

    const QFont before = label.font();
    fonts.answerCancel();
    click(control<QPushButton>("BTfont"));
    // A name that would end a page's style block is no font for a style sheet.
    fonts.answerFont({"Evil</style>", "10", false, false, false, false, 0});
    click(control<QPushButton>("BTfont"));
    fonts.answerFont({"Arial", "big", false, false, false, false, 0});
    click(control<QPushButton>("BTfont"));
    EXPECT_EQ(fonts.calls, 4);
    EXPECT_EQ(label.text(), "Liberation Mono");
    EXPECT_EQ(label.font(), before);
    EXPECT_EQ(pane->scheme().fontName, "Liberation Mono");
    EXPECT_EQ(pane->scheme().fontSize, "12.5");
}

// ---------------------------------------------------------------------------------------------
// Style sheets

TEST_F(ColorsPaneTest, SaveThenLoadBringsTheSavedSchemeBack) {
    click(bold(Comment));
    fonts.answerFont({"Liberation Mono", "9", false, false, false, false, 0});
    click(control<QPushButton>("BTfont"));
    const ColourScheme saved = pane->scheme();

    files.answerPath(path("mine.css"));
    click(control<QPushButton>("BTsaveColor"));
    ASSERT_EQ(files.requests.size(), 1U);
    EXPECT_EQ(files.requests[0].kind, platform::FileDialogKind::Save);
    EXPECT_EQ(files.requests[0].title, "Save Style");
    EXPECT_EQ(files.requests[0].filter, "Fichiers CSS|*.CSS");
    const std::string written = test::readBytes(path("mine.css"));
    EXPECT_NE(written.find("font-family:Liberation Mono;\r\nfont-size:9pt;"), std::string::npos);
    EXPECT_NE(written.find(".c\r\n{\r\nCOLOR:#808080;\r\nfont-weight: bold;\r\n}"), std::string::npos);

    colours.answerColour(Navy);
    click(colourButton(Background));
    colours.answerColour(Orange);
    click(colourButton(KeyWord));
    click(bold(Comment));
    ASSERT_NE(pane->scheme(), saved);

    files.answerPath(path("mine.css"));
    click(control<QPushButton>("BTloadCSS"));
    ASSERT_EQ(files.requests.size(), 2U);
    EXPECT_EQ(files.requests[1].kind, platform::FileDialogKind::Open);
    EXPECT_EQ(files.requests[1].title, "Choose Style");
    EXPECT_EQ(files.requests[1].filter, "Fichiers CSS|*.CSS");

    ColourScheme expected = saved;
    rederiveEnabled(expected);
    EXPECT_EQ(pane->scheme(), expected);
    EXPECT_EQ(colourOf(colourButton(Background)), 0);
    EXPECT_EQ(colourOf(colourButton(KeyWord)), rgb(0, 255, 255));
    EXPECT_TRUE(bold(Comment).isChecked());
    EXPECT_TRUE(word(0).font().bold());
    EXPECT_EQ(backgroundColour(word(0)), 0);
    EXPECT_EQ(fontLabel().text(), "Liberation Mono");
    EXPECT_EQ(fontLabel().property(TagProperty).toString(), "9");
    // Loading does not choose an external sheet.
    EXPECT_TRUE(pane->cssPath().isEmpty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ColorsPaneTest, ASheetWithStringInNormalsColourTurnsStringOff) {
    // String in Normal's colour; Key Word bold and in Normal's colour as well.
    std::string sheet = defaultSheetWith("COLOR:#00FF00;", "COLOR:#FFFFFF;");
    sheet.replace(sheet.find("COLOR:#00FFFF;\r\n"), 16, "COLOR:#ffffff;\r\nfont-weight: bold;\r\n");
    test::writeBytes(path("plain.css"), sheet);
    files.answerPath(path("plain.css"));
    click(control<QPushButton>("BTloadCSS"));
    ASSERT_TRUE(boxes.shown.empty());

    EXPECT_FALSE(entry(String).Enabled);
    EXPECT_FALSE(category(String).isChecked());
    EXPECT_TRUE(colourButton(String).isHidden());
    EXPECT_TRUE(bold(String).isHidden());
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
    ASSERT_TRUE(pane->useExternalCss());
    for (const char* name : {"FrameCSS", "TXTcss", "BTchooseCSS", "BTviewCSS"}) {
        EXPECT_FALSE(control<QWidget>(name).isHidden()) << name;
    }

    test::writeBytes(path("site.css"), defaultSheetWith("COLOR:#FFFFFF;", "COLOR:#C0C0C0;"));
    files.answerPath(path("site.css"));
    click(control<QToolButton>("BTchooseCSS"));
    ASSERT_EQ(files.requests.size(), 1U);
    EXPECT_EQ(files.requests[0].title, "Choose a CSS");
    EXPECT_EQ(files.requests[0].filter, "Fichiers CSS|*.CSS");
    EXPECT_EQ(pane->cssText(), "site.css");
    EXPECT_EQ(control<QLineEdit>("TXTcss").text(), "site.css");
    EXPECT_EQ(pane->cssPath().toStdString(), path("site.css"));
    EXPECT_EQ(entry(Normal).Color, rgb(192, 192, 192));

    click(control<QToolButton>("BTviewCSS"));
    ASSERT_EQ(opener.calls.size(), 1U);
    EXPECT_EQ(opener.calls[0],
              (FakeDocumentOpener::Call{"notepad", platform::ShowDefault, path("site.css"), "", "open", 0}));

    // Cancelled: no sheet chosen any more; the scheme stays as loaded.
    const ColourScheme loaded = pane->scheme();
    files.answerCancel();
    click(control<QToolButton>("BTchooseCSS"));
    EXPECT_TRUE(pane->cssText().isEmpty());
    EXPECT_TRUE(pane->cssPath().isEmpty());
    EXPECT_EQ(pane->scheme(), loaded);

    click(control<QCheckBox>("CHKcss"));
    EXPECT_FALSE(pane->useExternalCss());
    for (const char* name : {"FrameCSS", "TXTcss", "BTchooseCSS", "BTviewCSS"}) {
        EXPECT_TRUE(control<QWidget>(name).isHidden()) << name;
    }
}

TEST_F(ColorsPaneTest, CancelledLoadAndSaveDoNothing) {
    click(category(Other));
    const ColourScheme before = pane->scheme();
    files.answerCancel();
    click(control<QPushButton>("BTloadCSS"));
    files.answerCancel();
    click(control<QPushButton>("BTsaveColor"));
    EXPECT_EQ(files.requests.size(), 2U);
    EXPECT_EQ(pane->scheme(), before);
    EXPECT_FALSE(category(Other).isChecked());
    EXPECT_TRUE(boxes.shown.empty());
    // Nothing was written beside the language file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()), {}), 1);
}

TEST_F(ColorsPaneTest, ASheetNotWrittenByQuillonIsRefusedAndChangesNothing) {
    click(category(Other));
    colours.answerColour(Orange);
    click(colourButton(KeyWord));
    const ColourScheme before = pane->scheme();

    std::string sheet = DefaultSheet;
    // Cut after the ".o" block's colour line.
    sheet.resize(sheet.find(".s\r\n") - 3);
    test::writeBytes(path("short.css"), sheet);
    test::writeBytes(path("lower.css"), "pre\r\n" + DefaultSheet.substr(5));
    files.answerPath(path("short.css"));
    click(control<QPushButton>("BTloadCSS"));
    files.answerPath(path("lower.css"));
    click(control<QPushButton>("BTloadCSS"));

    ASSERT_EQ(boxes.shown.size(), 2U);
    EXPECT_EQ(boxes.shown[0],
              (platform::MessageBoxRequest{path("short.css") + " is not a valid CSS for Quillon !",
                                           MessageIcon::Critical, "Quillon Free"}));
    EXPECT_EQ(boxes.shown[1].text, path("lower.css") + " is not a valid CSS for Quillon !");
    EXPECT_EQ(pane->scheme(), before);
    EXPECT_FALSE(category(Other).isChecked());
    EXPECT_EQ(colourOf(colourButton(KeyWord)), Orange);
}

TEST_F(ColorsPaneTest, FilesThatCannotBeOpenedOrWrittenGoThroughTheStandardTrap) {
    const ColourScheme before = pane->scheme();
    files.answerPath(path("missing.css"));
    click(control<QPushButton>("BTloadCSS"));
    files.answerPath(path("gone.css"));
    click(control<QToolButton>("BTchooseCSS"));
    files.answerPath(path("no/such/folder/out.css"));
    click(control<QPushButton>("BTsaveColor"));

    ASSERT_EQ(boxes.shown.size(), 3U);
    EXPECT_EQ(boxes.shown[0].title, "ERREUR n°53 in BTloadCSS_Click");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Critical);
    EXPECT_NE(boxes.shown[0].text.find("File not found"), std::string::npos);
    EXPECT_EQ(boxes.shown[1].title, "ERREUR n°53 in BTchooseCSS_Click");
    EXPECT_EQ(boxes.shown[2].title, "ERREUR n°76 in SaveCoulorInFile");
    EXPECT_EQ(pane->scheme(), before);
    // The chooser names what the user picked, even when it cannot be read.
    EXPECT_EQ(pane->cssText(), "gone.css");
}

} // namespace
} // namespace quillon::window
