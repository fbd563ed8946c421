#include "desktop/qt/qt_colours.h"
#include "desktop/qt/qt_common_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QKeyEvent>

#include "qt_test_printers.h"

#include <gtest/gtest.h>

namespace quillon::platform {
namespace {

constexpr std::int32_t Red = 0x0000FF;
constexpr std::int32_t Custom = 0x563412;

TEST(QtColours, ColourReferencesAreBlueGreenRed) {
    EXPECT_EQ(toQColor(0x0080FF), QColor(255, 128, 0));
    EXPECT_EQ(toQColor(0xFFFFFF), QColor(255, 255, 255));
    EXPECT_EQ(fromQColor(QColor(0x12, 0x34, 0x56)), Custom);
    EXPECT_EQ(fromQColor(QColor::fromHsv(0, 255, 255)), Red);
    for (std::int32_t colour : {0, Red, Custom, 0xFFFFFF}) {
        EXPECT_EQ(fromQColor(toQColor(colour)), colour);
    }
}

// Answers the colour dialog with `answer` (nothing: cancel), noting the colour it opened on.
QtCommonDialog::Runner colourAnswer(std::vector<std::int32_t>& openedOn, std::optional<std::int32_t> answer) {
    return [&openedOn, answer](QDialog& shown) {
        auto& dialog = dynamic_cast<QColorDialog&>(shown);
        openedOn.push_back(fromQColor(dialog.currentColor()));
        if (!answer) {
            return int(QDialog::Rejected);
        }
        dialog.setCurrentColor(toQColor(*answer));
        return int(QDialog::Accepted);
    };
}

TEST(QtColourDialog, OpensOnTheLastColourChosenAndCancelOrFailureKeepsTheCurrentOne) {
    QtCommonDialog dialogs;
    std::vector<std::int32_t> openedOn;
    dialogs.setDialogRunner(colourAnswer(openedOn, Red));
    EXPECT_EQ(dialogs.ChoisirCouleur(0xFFFFFF), Red);
    dialogs.setDialogRunner(colourAnswer(openedOn, std::nullopt));
    EXPECT_EQ(dialogs.ChoisirCouleur(0x00FF00), 0x00FF00);
    dialogs.setDialogRunner(colourAnswer(openedOn, Custom));
    EXPECT_EQ(dialogs.ChoisirCouleur(0x00FF00), Custom);
    dialogs.setDialogRunner(colourAnswer(openedOn, std::nullopt));
    EXPECT_EQ(dialogs.ChoisirCouleur(0xFFFF00), 0xFFFF00);
    // Black first, never the colour passed in, and a cancel does not move it.
    EXPECT_EQ(openedOn, (std::vector<std::int32_t>{0, Red, Red, Custom}));
    dialogs.setDialogRunner([](QDialog&) -> int { throw std::runtime_error("no display"); });
    EXPECT_EQ(dialogs.ChoisirCouleur(Red), Red);
    EXPECT_EQ(dialogs.dialogColour(), Custom);
}

// The font dialog opens on the last font and colour chosen in either dialog; a cancel
// changes nothing.
TEST(QtFontDialog, ReturnsTheChosenFontEffectsAndColourAndOpensOnThemNextTime) {
    const QStringList families = QFontDatabase::families();
    if (families.isEmpty()) {
        GTEST_SKIP() << "no fonts installed";
    }
    const QString family = families.contains("DejaVu Sans Mono") ? "DejaVu Sans Mono" : families.front();
    QtCommonDialog dialogs;
    std::vector<std::int32_t> openedOn;
    dialogs.setDialogRunner(colourAnswer(openedOn, Custom));
    dialogs.ChoisirCouleur(0);
    std::vector<QFont> fontsOpenedOn;
    std::vector<QString> colourNames;
    const auto answer = [&](bool accept) {
        return [&, accept](QDialog& shown) {
            auto& dialog = dynamic_cast<FontChooserDialog&>(shown);
            fontsOpenedOn.push_back(dialog.currentFont());
            colourNames.push_back(dialog.findChild<QComboBox*>()->currentText());
            openedOn.push_back(dialog.currentColour());
            QFont font(family, accept ? 12 : 14);
            font.setBold(true);
            font.setUnderline(true);
            font.setStrikeOut(true);
            dialog.setCurrentFont(font);
            dialog.setCurrentColour(accept ? Red : 0);
            return int(accept ? QDialog::Accepted : QDialog::Rejected);
        };
    };
    dialogs.setDialogRunner(answer(true));
    const std::optional<FontChoice> choice = dialogs.ShowFont();
    ASSERT_TRUE(choice);
    EXPECT_EQ(*choice, (FontChoice{family.toStdString(), "12", true, false, true, true, Red}));
    dialogs.setDialogRunner(answer(false));
    EXPECT_FALSE(dialogs.ShowFont());
    EXPECT_FALSE(dialogs.ShowFont());
    ASSERT_EQ(fontsOpenedOn.size(), 3u);
    EXPECT_EQ(fontsOpenedOn[2].family(), family);
    EXPECT_EQ(fontsOpenedOn[2].pointSize(), 12);
    EXPECT_EQ(colourNames[0], "Custom");
    EXPECT_EQ(openedOn, (std::vector<std::int32_t>{0, Custom, Red, Red}));
    EXPECT_EQ(dialogs.dialogColour(), Red);
}

TEST(FontChooserDialog, OffersTheSixteenColoursAndOneCustomEntry) {
    FontChooserDialog dialog;
    auto* list = dialog.findChild<QComboBox*>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 16);
    dialog.setCurrentColour(0x808080);
    EXPECT_EQ(list->currentText(), "Gray");
    dialog.setCurrentColour(Custom);
    dialog.setCurrentColour(Custom);
    EXPECT_EQ(list->count(), 17);
    EXPECT_EQ(dialog.currentColour(), Custom);
}

TEST(FontChooserDialog, FontPartIsShownInsideAndItsEscapeCancelsTheWholeDialog) {
    FontChooserDialog dialog;
    auto* fontPart = dialog.findChild<QFontDialog*>();
    ASSERT_NE(fontPart, nullptr);
    dialog.show();
    EXPECT_TRUE(fontPart->isVisible());
    EXPECT_FALSE(fontPart->isWindow());
    dialog.setResult(QDialog::Accepted);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(fontPart, &escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(FontChoiceOf, SizeKeepsItsFractionWithAPoint) {
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(8.25);
    font.setItalic(true);
    const FontChoice choice = fontChoiceOf(font, Red);
    EXPECT_EQ(choice.name, "Courier New");
    EXPECT_EQ(choice.sizeText, "8.25");
    EXPECT_TRUE(choice.italic);
    EXPECT_FALSE(choice.bold);
    EXPECT_EQ(choice.colour, Red);
}

} // namespace
} // namespace quillon::platform
