#include "desktop/qt/qt_message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "qt_test_printers.h"

#include <gtest/gtest.h>

namespace quillon::platform {
namespace {

struct SeenBox {
    QMessageBox::Icon icon{};
    QString title;
    QString text;
    Qt::TextFormat format{};
    QMessageBox::StandardButtons buttons{};
};

QtMessageBoxes::Runner recording(std::vector<SeenBox>& seen) {
    return [&seen](QDialog& shown) {
        auto& box = dynamic_cast<QMessageBox&>(shown);
        seen.push_back({box.icon(), box.windowTitle(), box.text(), box.textFormat(), box.standardButtons()});
        return int(QDialog::Accepted);
    };
}

TEST(QtMessageBoxes, IconTitleAndTextAreShownAsAsked) {
    QtMessageBoxes boxes;
    std::vector<SeenBox> seen;
    boxes.setDialogRunner(recording(seen));
    boxes.showRefusal("You must choose a CSS File before !");
    boxes.showInformation("Translate this file \r\n\r\n/opt/English.lng\rnext\nlast");
    boxes.showTrappedError(53, "Cparti", "File not found: /tmp/a.frm");
    boxes.MsgBox("?", MessageIcon::Question, "Q");
    boxes.MsgBox("!", MessageIcon::Exclamation, "E");
    boxes.MsgBox("/tmp/<b>bold</b>.html", MessageIcon::None, "N");
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(seen[0].title, "Quillon Free");
    EXPECT_EQ(seen[0].text, "You must choose a CSS File before !");
    EXPECT_EQ(seen[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(seen[1].icon, QMessageBox::Information);
    // Every line break form becomes a line feed.
    EXPECT_EQ(seen[1].text, "Translate this file \n\n/opt/English.lng\nnext\nlast");
    EXPECT_EQ(seen[2].icon, QMessageBox::Critical);
    EXPECT_EQ(seen[2].title, QString::fromUtf8("ERREUR n\u00B053 in Cparti"));
    EXPECT_EQ(seen[3].icon, QMessageBox::Question);
    EXPECT_EQ(seen[4].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[5].icon, QMessageBox::NoIcon);
    // Text is never read as markup.
    EXPECT_EQ(seen[5].format, Qt::PlainText);
    EXPECT_EQ(seen[5].text, "/tmp/<b>bold</b>.html");
}

TEST(QtMessageBoxes, RealBoxClosesWithItsOkButton) {
    QtMessageBoxes boxes;
    QString shownText;
    QTimer::singleShot(0, qApp, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shownText = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    QTimer::singleShot(5000, qApp, [] {
        if (QWidget* left = QApplication::activeModalWidget()) {
            left->close();
        }
    });
    boxes.showRefusal("Error n\u00B02\rFile not found");
    EXPECT_EQ(shownText, QString::fromUtf8("Error n\u00B02\nFile not found"));
}

} // namespace
} // namespace quillon::platform
