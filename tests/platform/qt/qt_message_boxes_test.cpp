#include "platform/qt/qt_message_boxes.h"

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
    boxes.showInformation("Translate this file \r\n\r\n/opt/English.lng");
    boxes.showTrappedError(53, "Cparti", "File not found: /tmp/a.frm");
    boxes.MsgBox("?", MessageIcon::Question, "Q");
    boxes.MsgBox("!", MessageIcon::Exclamation, "E");
    boxes.MsgBox(".", MessageIcon::None, "N");
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(seen[0].title, "Quillon Free");
    EXPECT_EQ(seen[0].text, "You must choose a CSS File before !");
    EXPECT_EQ(seen[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(seen[1].icon, QMessageBox::Information);
    EXPECT_EQ(seen[1].text, "Translate this file \n\n/opt/English.lng");
    EXPECT_EQ(seen[2].icon, QMessageBox::Critical);
    EXPECT_EQ(seen[2].title, QString::fromUtf8("ERREUR n\u00B053 in Cparti"));
    EXPECT_EQ(seen[3].icon, QMessageBox::Question);
    EXPECT_EQ(seen[4].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[5].icon, QMessageBox::NoIcon);
}

TEST(QtMessageBoxes, TextIsNeverReadAsMarkup) {
    QtMessageBoxes boxes;
    std::vector<SeenBox> seen;
    boxes.setDialogRunner(recording(seen));
    boxes.showRefusal("File not found: /tmp/<b>bold</b>.html");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].format, Qt::PlainText);
    EXPECT_EQ(seen[0].text, "File not found: /tmp/<b>bold</b>.html");
}

TEST(QtMessageBoxes, EveryLineBreakFormBecomesALineFeed) {
    EXPECT_EQ(messageBoxText("Error n\u00B053\rFile not found"),
              QString::fromUtf8("Error n\u00B053\nFile not found"));
    EXPECT_EQ(messageBoxText("a\r\nb\nc\r\rd"), "a\nb\nc\n\nd");
}

TEST(QtMessageBoxes, TrappedErrorsShowTheStandardBox) {
    QtMessageBoxes boxes;
    std::vector<SeenBox> seen;
    boxes.setDialogRunner(recording(seen));
    MessageBoxErrorReporter reporter(boxes);
    setErrorReporter(&reporter);
    trap("LoadCoulorFromFile", [] { raise(vberr::FileNotFound, "/tmp/style.css"); });
    setErrorReporter(nullptr);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, QString::fromUtf8("ERREUR n\u00B053 in LoadCoulorFromFile"));
    EXPECT_EQ(seen[0].text, "File not found: /tmp/style.css");
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
