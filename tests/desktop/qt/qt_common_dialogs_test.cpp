#include "desktop/qt/qt_colours.h"
#include "desktop/qt/qt_common_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace quillon::platform {
namespace {

constexpr std::int32_t Red = 0x0000FF;
constexpr std::int32_t Custom = 0x563412;

// The colour and font dialogs share one colour: each opens on the last colour chosen in
// either, black the first time, never on the colour passed in; a cancel or a failure
// changes nothing.
class QtCommonDialogTest : public ::testing::Test {
protected:
    void answerColour(std::optional<std::int32_t> answer) {
        dialogs.setDialogRunner([this, answer](QDialog& shown) {
            auto& dialog = dynamic_cast<QColorDialog&>(shown);
            openedOn.push_back(fromQColor(dialog.currentColor()));
            if (!answer) {
                return int(QDialog::Rejected);
            }
            dialog.setCurrentColor(toQColor(*answer));
            return int(QDialog::Accepted);
        });
    }
    QtCommonDialog dialogs;
    std::vector<std::int32_t> openedOn;
};

TEST_F(QtCommonDialogTest, ColourDialogAnswersBlueGreenRedAndKeepsTheCurrentColourOnCancelOrFailure) {
    EXPECT_EQ(toQColor(0x0080FF), QColor(255, 128, 0));
    answerColour(Red);
    EXPECT_EQ(dialogs.ChoisirCouleur(0xFFFFFF), Red);
    answerColour(std::nullopt);
    EXPECT_EQ(dialogs.ChoisirCouleur(0x00FF00), 0x00FF00);
    EXPECT_EQ(dialogs.ChoisirCouleur(0x00FF00), 0x00FF00);
    EXPECT_EQ(openedOn, (std::vector<std::int32_t>{0, Red, Red}));
    dialogs.setDialogRunner([](QDialog&) -> int { throw std::runtime_error("no display"); });
    EXPECT_EQ(dialogs.ChoisirCouleur(Custom), Custom);
    EXPECT_EQ(dialogs.dialogColour(), Red);
}

TEST_F(QtCommonDialogTest, FontDialogReturnsTheChosenFontEffectsAndColourAndOpensOnThemNextTime) {
    const QStringList families = QFontDatabase::families();
    if (families.isEmpty()) {
        GTEST_SKIP() << "no fonts installed";
    }
    const QString family = families.contains("DejaVu Sans Mono") ? "DejaVu Sans Mono" : families.front();
    answerColour(Custom);
    dialogs.ChoisirCouleur(0);
    std::vector<QFont> fontsOpenedOn;
    const auto answer = [&](bool accept) {
        dialogs.setDialogRunner([&, accept](QDialog& shown) {
            auto& dialog = dynamic_cast<FontChooserDialog&>(shown);
            fontsOpenedOn.push_back(dialog.currentFont());
            openedOn.push_back(dialog.currentColour());
            QFont font(family, accept ? 12 : 14);
            font.setBold(true);
            font.setStrikeOut(true);
            dialog.setCurrentFont(font);
            dialog.setCurrentColour(accept ? Red : 0);
            return int(accept ? QDialog::Accepted : QDialog::Rejected);
        });
    };
    answer(true);
    EXPECT_EQ(dialogs.ShowFont(), (FontChoice{family.toStdString(), "12", true, false, false, true, Red}));
    answer(false);
    EXPECT_FALSE(dialogs.ShowFont());
    EXPECT_EQ(fontsOpenedOn.at(1).family(), family);
    EXPECT_EQ(fontsOpenedOn.at(1).pointSize(), 12);
    EXPECT_EQ(openedOn, (std::vector<std::int32_t>{0, Custom, Red}));
    EXPECT_EQ(dialogs.dialogColour(), Red);
}

TEST(FontChooserDialog, FontPartIsShownInsideAndItsEscapeCancelsTheWholeDialog) {
    FontChooserDialog dialog;
    auto* fontPart = dialog.findChild<QFontDialog*>();
    ASSERT_NE(fontPart, nullptr);
    dialog.show();
    EXPECT_FALSE(fontPart->isWindow());
    dialog.setResult(QDialog::Accepted);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(fontPart, &escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

} // namespace
} // namespace quillon::platform
