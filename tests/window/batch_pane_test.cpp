// The "Batch" pane: its lists, the bar of files left, a run through the "Files" pane's start,
// the pages a double-click opens, a project published as a site. The log's wording and order
// are the batch module's, the site's pages the site module's.

#include "window_fixture.h"

#include "window/batch_drives.h"
#include "window/batch_files_start.h"

#include <memory>

namespace quillon::window::testing {
namespace {

class FakeDrives final : public DriveRoots {
public:
    std::vector<DriveRoot> list;
    std::vector<DriveRoot> roots() const override { return list; }
};

class BatchPaneTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        std::filesystem::create_directories(work);
        drives.list = {{QStringLiteral("/"), QStringLiteral("File System")}, {qs(folder.path()), "Scratch"}};
    }
    void makePane() {
        window->selectPane(BatchPaneIndex);
        start = std::make_unique<FilesPaneStart>(files());
        pane = new BatchPane(opener, window->errorReporter(), *start, drives,
                             &window->FrameSTEP(BatchPaneIndex), qs(work));
        pane->show();
    }
    static QStringList texts(const QListWidget& list) {
        QStringList lines;
        for (int i = 0; i < list.count(); ++i) {
            lines << list.item(i)->text();
        }
        return lines;
    }
    QStringList log() { return texts(pane->LSTdo()); }
    void clickFile(const QString& name, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        FileListBox& list = pane->FileList();
        const auto found = list.findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, keys, list.visualItemRect(found[0]).center());
    }

    std::filesystem::path work = folder / "work";
    FakeDrives drives;
    std::unique_ptr<FilesPaneStart> start;
    BatchPane* pane = nullptr;
};

TEST_F(BatchPaneTest, ListsWalkFoldersAndDrivesAndReportWhatCannotBeListed) {
    for (const char* name : {"Form1.frm", "MODULE1.BAS", "notes.txt", ".hidden.frm"}) {
        test::writeBytes(work / name, "");
    }
    std::filesystem::create_directories(work / "sub");
    std::filesystem::create_directories(work / "gone");
    makePane();
    EXPECT_EQ(texts(pane->FolderList()), QStringList({qs(folder.path()), "work", "gone", "sub"}));
    EXPECT_EQ(texts(pane->FileList()), QStringList({"Form1.frm", "MODULE1.BAS"}));
    click(pane->chkAllFile());
    EXPECT_EQ(texts(pane->FileList()), QStringList({"Form1.frm", "MODULE1.BAS", "notes.txt"}));

    // A folder removed since it was listed is reported; the lists stay.
    std::filesystem::remove(work / "gone");
    pane->FolderList_Change(qs(work / "gone"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, trapTitle(vberr::PathNotFound, "FolderList_Change"));
    EXPECT_EQ(pane->FileList().Path(), qs(work));
    // A drive that is not there is reported and the drive list goes back.
    drives.list.push_back({QStringLiteral("/nonexistent-quillon-volume"), QStringLiteral("USB")});
    pane->DriveList().setDrives(drives.list);
    pane->DriveList().setCurrentIndex(2);
    pane->DriveList_Change();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].title, trapTitle(vberr::PathNotFound, "DriveList_Change"));
    EXPECT_EQ(pane->DriveList().Drive(), qs(folder.path()));
    // The root drive: its folders are joined without a doubled separator.
    EXPECT_EQ(joinPath("/", "a.frm"), "/a.frm");
    EXPECT_FALSE(isInside("/home/anna", "/home/ann"));
}

TEST_F(BatchPaneTest, MouseSelectionListsTheFilesAndCountsThem) {
    for (const char* name : {"a.frm", "b.bas", "c.cls"}) {
        test::writeBytes(work / name, "");
    }
    makePane();
    clickFile("a.frm");
    clickFile("c.cls", Qt::ControlModifier);
    EXPECT_EQ(log(), QStringList({"Convert this files :", "a.frm", "c.cls"}));
    EXPECT_EQ(pane->PBfile().caption(), "2 Files");
    // Nothing selected: the bar still reads one, never a maximum of 0.
    clickFile("a.frm", Qt::ControlModifier);
    clickFile("c.cls", Qt::ControlModifier);
    EXPECT_EQ(pane->PBfile().caption(), "1 Files");
}

// End to end: each file through the "Files" pane's start, its failure told in the log from
// the outcome, the pages the same as "Start" writes, and only created pages opened.
TEST_F(BatchPaneTest, RunWritesThePagesOfTheFilesPaneAndLogsWhyOneFailed) {
    std::filesystem::copy_file(test::dataDir() / "pages" / "form.frm", work / "Class1.cls");
    std::filesystem::copy_file(test::dataDir() / "pages" / "form.frm", work / "Create.frm");
    // A folder where the first page should go: the page writer cannot replace it.
    std::filesystem::create_directory(work / "Class1.cls.html");
    makePane();
    pane->FileList().selectAll();
    click(pane->BTstartBatch());

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(files().TXTsource().text(), qs(work / "Create.frm")) << "the boxes keep the last file";
    EXPECT_EQ(pane->PBfile().caption(), "0 Files");
    EXPECT_EQ(pane->LSTdo().currentRow(), 6);
    EXPECT_TRUE(pane->BTstartBatch().isEnabled());
    const QStringList lines = log();
    files().TXTsource().setText(qs(work / "Create.frm"));
    files().TXTtarget().setText(qs(folder / "single.html"));
    ASSERT_TRUE(files().BTgo_Click());
    EXPECT_EQ(test::readBytes(work / "Create.frm.html"), test::readBytes(folder / "single.html"));
    EXPECT_EQ(lines, QStringList({"Convert this files :", "Class1.cls", "Create.frm", QString(66, u'-'),
                                  "Class1.cls.html Failed: " + qs(boxes.shown[0].title) + ": " +
                                      qs(boxes.shown[0].text),
                                  "Create.frm.html Create " + QString::number(files().LineCount()) + " lines",
                                  "Work Completed"}));

    // A failed line opens nothing; a name that begins with "Create" opens its own page.
    pane->LSTdo().setCurrentRow(4);
    pane->LSTdo_DblClick();
    EXPECT_TRUE(opener.calls.empty());
    pane->LSTdo().setCurrentRow(5);
    pane->LSTdo_DblClick();
    ASSERT_EQ(opener.calls.size(), 1u);
    EXPECT_EQ(opener.calls[0].target, (work / "Create.frm.html").string());
}

TEST_F(BatchPaneTest, ProjectPublishesTheChosenProjectIntoTheChosenFolder) {
    const std::filesystem::path site = folder / "site";
    dialogs.answerPath((test::dataDir() / "site" / "demo" / "Demo.vbp").string());
    dialogs.answerPath(site.string());
    BatchPane& batch = window->batch();
    window->selectPane(BatchPaneIndex);
    QPushButton& button = control<QPushButton>("BTproject");
    EXPECT_EQ(button.parentWidget(), &batch);
    click(button);

    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[0].kind, platform::FileDialogKind::Open);
    EXPECT_EQ(dialogs.requests[1].kind, platform::FileDialogKind::Folder);
    EXPECT_TRUE(boxes.shown.empty());
    QListWidget& lines = batch.LSTdo();
    ASSERT_GE(lines.count(), 2);
    EXPECT_EQ(lines.item(lines.count() - 2)->text(), "Work Completed");
    EXPECT_TRUE(lines.item(lines.count() - 1)
                    ->text()
                    .startsWith("Site: 1 project, 3 members, 1 missing, 3 pages written"))
        << lines.item(lines.count() - 1)->text().toStdString();
    EXPECT_EQ(batch.PBfile().caption(), "0 Files");
    EXPECT_TRUE(button.isEnabled() && batch.BTstartBatch().isEnabled());

    // The summary opens the site; a cancelled dialog writes nothing more.
    batch.LSTdo_DblClick();
    ASSERT_EQ(opener.calls.size(), 1u);
    EXPECT_EQ(opener.calls[0].target, (site / "index.html").string());
    const int count = lines.count();
    click(button);
    EXPECT_EQ(dialogs.requests.size(), 3u);
    EXPECT_EQ(lines.count(), count);
}

} // namespace
} // namespace quillon::window::testing
