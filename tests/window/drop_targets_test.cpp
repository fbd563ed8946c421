// Files dragged onto the window or named on its command line: one on the Files pane becomes
// the source, files or a folder on the Batch pane are selected, one on the Direct source box
// has its text loaded.

#include "window_fixture.h"

#include "window/start_files.h"

#include <QDropEvent>
#include <QUrl>

namespace quillon::window::testing {
namespace {

class DropTargetsTest : public WindowTest {
protected:
    // Drags `urls` onto `widget` and drops them there when the drag is accepted, as the
    // desktop does. True when the drag was accepted.
    static bool dropOn(QWidget& widget, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPointF at = QRectF(widget.rect()).center();
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&widget, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&widget, &drop);
        return drop.isAccepted();
    }

    QUrl local(const std::string& name) const {
        return QUrl::fromLocalFile(QString::fromStdString(path(name)));
    }
};

TEST_F(DropTargetsTest, OneFileOnTheFilesPaneBecomesTheSource) {
    test::writeBytes(folder / "a.frm", "x\r\n");
    test::writeBytes(folder / "b.bas", "x\r\n");
    const QString source = QString::fromStdString(path("a.frm"));
    // Dropped on a text box, the file is not typed into it as an address.
    ASSERT_TRUE(dropOn(files().TXThead(), {local("a.frm")}));
    EXPECT_EQ(files().TXTsource().text(), source);
    EXPECT_EQ(files().TXTtarget().text(), source + ".html");
    EXPECT_EQ(files().TXThead().text(), QString::fromStdString(path("header.txt")));

    // Refused: several files, a folder, a missing file, a web page.
    for (const QList<QUrl>& urls : {QList<QUrl>{local("a.frm"), local("b.bas")}, QList<QUrl>{local("")},
                                    QList<QUrl>{local("missing.frm")},
                                    QList<QUrl>{QUrl(QStringLiteral("https://example.org/c.frm"))}}) {
        EXPECT_FALSE(dropOn(files(), urls)) << urls.front().toString().toStdString();
    }
    EXPECT_EQ(files().TXTsource().text(), source);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DropTargetsTest, FilesOrAFolderOnTheBatchPaneAreSelected) {
    for (const char* name : {"a.frm", "b.bas", "notes.txt"}) {
        test::writeBytes(folder / name, "x\r\n");
    }
    window->selectPane(BatchPaneIndex);
    BatchPane& batch = window->batch();
    // One file is selected here too, not sent to the Files pane.
    ASSERT_TRUE(dropOn(batch.FileList(), {local("b.bas")}));
    EXPECT_EQ(batch.FileList().Path(), qs(folder.path()));
    EXPECT_EQ(batch.FileList().selectedNames(), QStringList({"b.bas"}));
    EXPECT_EQ(window->shownPane(), BatchPaneIndex);

    ASSERT_TRUE(dropOn(batch.LSTdo(), {local("a.frm"), local("notes.txt")}));
    EXPECT_TRUE(batch.chkAllFile().isChecked());
    EXPECT_EQ(batch.FileList().selectedNames(), QStringList({"a.frm", "notes.txt"}));

    ASSERT_TRUE(dropOn(batch, {QUrl::fromLocalFile(qs(folder.path()))}));
    EXPECT_FALSE(batch.chkAllFile().isChecked());
    EXPECT_EQ(batch.FileList().selectedNames(), QStringList({"a.frm", "b.bas"}));
    EXPECT_FALSE(dropOn(batch, {QUrl(QStringLiteral("https://example.org/"))}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DropTargetsTest, AFileOnTheDirectSourceBoxLoadsItsDecodedText) {
    window->selectPane(DirectPaneIndex);
    QPlainTextEdit& box = direct().TXTorigine();
    // Windows-1252, as a VB6 author's French Windows writes it.
    test::writeBytes(folder / "a.bas", "' \xE9t\xE9\r\nDim x\r\n");
    ASSERT_TRUE(dropOn(*box.viewport(), {local("a.bas")}));
    EXPECT_EQ(box.toPlainText(), QStringLiteral("' \u00E9t\u00E9\nDim x\n"));

    // A binary or missing file is reported under the box's drop, and the box keeps its text.
    test::writeBytes(folder / "a.frx", std::string_view("GIF\0\1", 5));
    for (const char* name : {"a.frx", "missing.bas"}) {
        EXPECT_TRUE(dropOn(*box.viewport(), {local(name)}));
    }
    EXPECT_EQ(box.toPlainText(), QStringLiteral("' \u00E9t\u00E9\nDim x\n"));
    ASSERT_EQ(boxes.shown.size(), 2U);
    EXPECT_EQ(boxes.shown[0].title, trapTitle(vberr::InvalidFileFormat, "TXTorigine_OLEDragDrop"));
    EXPECT_EQ(boxes.shown[1].title, trapTitle(vberr::FileNotFound, "TXTorigine_OLEDragDrop"));
    EXPECT_FALSE(dropOn(box, {local("a.bas"), local("a.frx")}));
}

// quillon FILE...: the selection rules are the Batch pane drop's; only where they go is the
// command line's own.
TEST_F(DropTargetsTest, StartFilesGoToTheFilesPaneWhenOneFileAndToTheBatchPaneOtherwise) {
    test::writeBytes(folder / "a.frm", "x\r\n");
    test::writeBytes(folder / "b.bas", "x\r\n");
    const QString dir = qs(folder.path());
    openStartFiles(*window, {dir + "/a.frm"});
    EXPECT_EQ(window->shownPane(), FilesPaneIndex);
    EXPECT_EQ(files().TXTsource().text(), dir + "/a.frm");
    openStartFiles(*window, {dir});
    EXPECT_EQ(window->shownPane(), BatchPaneIndex);
    EXPECT_EQ(window->batch().FileList().selectedNames(), QStringList({"a.frm", "b.bas"}));
    // Files of another folder than the first file's are left out.
    window->selectPane(FilesPaneIndex);
    openStartFiles(*window, {dir + "/b.bas", "/elsewhere/c.frm"});
    EXPECT_EQ(window->shownPane(), BatchPaneIndex);
    EXPECT_EQ(window->batch().FileList().selectedNames(), QStringList({"b.bas"}));
}

} // namespace
} // namespace quillon::window::testing
