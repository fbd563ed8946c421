#include "desktop/qt/qt_colours.h"
#include "desktop/qt/qt_common_dialogs.h"
#include "desktop/qt/qt_message_boxes.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QKeyEvent>
#include <QMessageBox>

#include "qt_test_printers.h"

#include <gtest/gtest.h>

namespace quillon::platform {
namespace {

constexpr std::int32_t Red = 0x0000FF;
constexpr std::int32_t Custom = 0x563412;

// Each dialog opens on what it is given; a cancel or a failure changes nothing.
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
    EXPECT_EQ(openedOn, (std::vector<std::int32_t>{0xFFFFFF, 0x00FF00, 0x00FF00}));
    dialogs.setDialogRunner([](QDialog&) -> int { throw std::runtime_error("no display"); });
    EXPECT_EQ(dialogs.ChoisirCouleur(Custom), Custom);
}

TEST_F(QtCommonDialogTest, FontDialogOpensOnTheGivenFontAndReturnsTheChosenFontEffectsAndColour) {
    const QStringList families = QFontDatabase::families();
    if (families.isEmpty()) {
        GTEST_SKIP() << "no fonts installed";
    }
    const QString family = families.contains("DejaVu Sans Mono") ? "DejaVu Sans Mono" : families.front();
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
    const FontChoice shown{family.toStdString(), "11", false, true, false, false, Custom};
    EXPECT_EQ(dialogs.ShowFont(shown),
              (FontChoice{family.toStdString(), "12", true, false, false, true, Red}));
    answer(false);
    EXPECT_FALSE(dialogs.ShowFont(shown));
    EXPECT_EQ(fontsOpenedOn.at(1).family(), family);
    EXPECT_EQ(fontsOpenedOn.at(1).pointSize(), 11);
    EXPECT_TRUE(fontsOpenedOn.at(1).italic());
    EXPECT_EQ(openedOn, (std::vector<std::int32_t>{Custom, Custom}));
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

TEST(QtMessageBoxes, IconTitleAndPlainTextWithLineFeedsAreShownAsAsked) {
    QtMessageBoxes boxes;
    std::vector<QString> texts;
    boxes.setDialogRunner([&](QDialog& shown) {
        auto& box = dynamic_cast<QMessageBox&>(shown);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box.textFormat(), Qt::PlainText) << "text is never read as markup";
        texts.push_back(QString::number(box.icon()) + " " + box.windowTitle() + ": " + box.text());
        return int(QDialog::Accepted);
    });
    boxes.showRefusal("/tmp/<b>bold</b>.html");
    boxes.showInformation("Translate this file \r\n\r\n/opt/English.lng\rnext\nlast");
    boxes.showTrappedError(53, "Cparti", "File not found: /tmp/a.frm");
    boxes.MsgBox("!", MessageIcon::Exclamation, "E");
    EXPECT_EQ(texts, (std::vector<QString>{
                         QString::number(QMessageBox::Critical) + " Quillon Free: /tmp/<b>bold</b>.html",
                         QString::number(QMessageBox::Information) +
                             " Quillon Free: Translate this file \n\n/opt/English.lng\nnext\nlast",
                         QString::number(QMessageBox::Critical) +
                             QString::fromUtf8(" ERREUR n\u00B053 in Cparti: File not found: /tmp/a.frm"),
                         QString::number(QMessageBox::Warning) + " E: !"}));
}

} // namespace
} // namespace quillon::platform
