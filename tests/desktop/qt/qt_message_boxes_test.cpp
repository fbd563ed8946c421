#include "desktop/qt/qt_message_boxes.h"

#include <QMessageBox>

#include "qt_test_printers.h"

#include <gtest/gtest.h>

namespace quillon::platform {
namespace {

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
