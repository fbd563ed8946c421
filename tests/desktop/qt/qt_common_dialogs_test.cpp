#include "desktop/qt/qt_colours.h"
#include "desktop/qt/qt_common_dialogs.h"

#include <QApplication>
#include <QColorDialog>
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
    EXPECT_EQ(fromQColor(QColor::fromHsv(0, 255, 255)), Red);
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
    EXPECT_EQ(dialogs.ChoisirCouleur(0x00FF00), 0x00FF00);
    // Black first, never the colour passed in, and a cancel does not move it.
    EXPECT_EQ(openedOn, (std::vector<std::int32_t>{0, Red, Red}));
    dialogs.setDialogRunner([](QDialog&) -> int { throw std::runtime_error("no display"); });
    EXPECT_EQ(dialogs.ChoisirCouleur(Custom), Custom);
    EXPECT_EQ(dialogs.dialogColour(), Red);
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
    const auto answer = [&](bool accept) {
        return [&, accept](QDialog& shown) {
            auto& dialog = dynamic_cast<FontChooserDialog&>(shown);
            fontsOpenedOn.push_back(dialog.currentFont());
            openedOn.push_back(dialog.currentColour());
            QFont font(family, accept ? 12 : 14);
            font.setBold(true);
            font.setStrikeOut(true);
            dialog.setCurrentFont(font);
            dialog.setCurrentColour(accept ? Red : 0);
            return int(accept ? QDialog::Accepted : QDialog::Rejected);
        };
    };
    dialogs.setDialogRunner(answer(true));
    const std::optional<FontChoice> choice = dialogs.ShowFont();
    ASSERT_TRUE(choice);
    EXPECT_EQ(*choice, (FontChoice{family.toStdString(), "12", true, false, false, true, Red}));
    dialogs.setDialogRunner(answer(false));
    EXPECT_FALSE(dialogs.ShowFont());
    EXPECT_FALSE(dialogs.ShowFont());
    ASSERT_EQ(fontsOpenedOn.size(), 3u);
    EXPECT_EQ(fontsOpenedOn[2].family(), family);
    EXPECT_EQ(fontsOpenedOn[2].pointSize(), 12);
    EXPECT_EQ(openedOn, (std::vector<std::int32_t>{0, Custom, Red, Red}));
    EXPECT_EQ(dialogs.dialogColour(), Red);
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

} // namespace
} // namespace quillon::platform
