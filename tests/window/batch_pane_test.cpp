// The "Batch" pane: its three lists, the log a selection and a run leave, the bar that
// counts the files left, and the pages a double-click on the log opens.

#include "window_fixture.h"

#include "window/batch_drives.h"
#include "window/batch_files_start.h"
#include "window/batch_lists.h"
#include "window/batch_pane.h"
#include "window/single_file_start.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace quillon::window::testing {
namespace {

class FakeDrives final : public DriveRoots {
public:
    std::vector<DriveRoot> list;
    std::vector<DriveRoot> roots() const override { return list; }
};

// The single-file start without the "Files" pane: each start answers from a script.
class ScriptedStart final : public SingleFileStart {
public:
    struct Outcome {
        std::string error; // a failure of the page writer, reported as its trap reports it
        long lines = 42;
    };

    std::deque<Outcome> script;
    std::vector<std::pair<QString, QString>> filled;
    int starts = 0;
    std::function<void()> onStart;

    void setSourceAndTarget(const QString& source, const QString& target) override {
        filled.emplace_back(source, target);
    }
    std::optional<std::string> refusal() const override { return std::nullopt; }
    bool BTgo_Click() override {
        ++starts;
        if (onStart) {
            onStart();
        }
        const Outcome outcome = script.empty() ? Outcome{} : script.front();
        if (!script.empty()) {
            script.pop_front();
        }
        if (!outcome.error.empty()) {
            errorReporter().report(vberr::PathFileAccess, "Cparti", outcome.error);
            return false;
        }
        lineCount_ = outcome.lines;
        return true;
    }
    long LineCount() const override { return lineCount_; }

private:
    long lineCount_ = 0;
};

const QString Separator(66, u'-');

class BatchPaneTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        std::filesystem::create_directories(work);
        drives.list = {{QStringLiteral("/"), QStringLiteral("File System")}, {qs(folder.path()), "Scratch"}};
    }

    // The pane, inside the window's Batch frame, over `start`, listing `work`.
    void makePane(SingleFileStart& start) {
        window->selectPane(BatchPaneIndex);
        pane = new BatchPane(opener, start, drives, &window->FrameSTEP(BatchPaneIndex), qs(work));
        pane->move(0, 0);
        pane->show();
    }

    void touch(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            test::writeBytes(work / name, "Attribute VB_Name = \"x\"\r\n");
        }
    }
    void copyPage(const std::string& from, const std::string& to) {
        std::filesystem::copy_file(test::dataDir() / "pages" / from, work / to);
    }

    static QStringList texts(const QListWidget& list) {
        QStringList lines;
        for (int i = 0; i < list.count(); ++i) {
            lines << list.item(i)->text();
        }
        return lines;
    }
    QStringList fileNames() { return texts(pane->FileList()); }
    QStringList log() { return texts(pane->LSTdo()); }
    void select(const QStringList& names) {
        for (int i = 0; i < pane->FileList().ListCount(); ++i) {
            pane->FileList().setSelected(i, names.contains(pane->FileList().List(i)));
        }
    }
    void run() { click(pane->BTstartBatch()); }

    // A user's click on a file of the list, with Ctrl or Shift held as asked.
    void clickFile(const QString& name, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        FileListBox& list = pane->FileList();
        const auto found = list.findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, keys, list.visualItemRect(found[0]).center());
    }

    // A user's double-click on the line `row` of a list.
    static void doubleClick(QListWidget& list, int row) {
        list.scrollToItem(list.item(row));
        const QPoint at = list.visualItemRect(list.item(row)).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    void doubleClickFolder(const QString& text) {
        const auto found = pane->FolderList().findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        doubleClick(pane->FolderList(), pane->FolderList().row(found[0]));
    }

    QString header() const { return QString::fromStdString(lang::GetMsg("msg11")); }

    std::filesystem::path work = folder / "work";
    FakeDrives drives;
    ScriptedStart scripted;
    BatchPane* pane = nullptr;
};

TEST_F(BatchPaneTest, ListsShowTheStartFolderAndMatchWithoutRegardToCase) {
    touch({"Form1.frm", "MODULE1.BAS", "Class1.Cls", "ctl.ctl", "page.pag", "notes.txt", "Makefile",
           ".hidden.frm"});
    for (const char* name : {"sub", "Alpha", ".git"}) {
        std::filesystem::create_directory(work / name);
    }
    makePane(scripted);

    EXPECT_EQ(pane->DriveList().Drive(), qs(folder.path()));
    EXPECT_EQ(pane->DriveList().currentText(), qs(folder.path()) + " [Scratch]");
    EXPECT_EQ(pane->FileList().Path(), qs(work));
    // The tree from the drive's root down to the folder, then its subfolders.
    FolderListBox& folders = pane->FolderList();
    EXPECT_EQ(folders.Path(), qs(work));
    EXPECT_EQ(texts(folders), QStringList({qs(folder.path()), "work", "Alpha", "sub"}));
    EXPECT_EQ(folders.currentFolderRow(), 1);
    EXPECT_EQ(folders.currentRow(), 1);
    EXPECT_EQ(folders.folderAt(3), qs(work / "sub"));

    EXPECT_EQ(fileNames(), QStringList({"Class1.Cls", "ctl.ctl", "Form1.frm", "MODULE1.BAS", "page.pag"}));
    click(pane->chkAllFile());
    EXPECT_EQ(fileNames(), QStringList({"Class1.Cls", "ctl.ctl", "Form1.frm", "Makefile", "MODULE1.BAS",
                                        "notes.txt", "page.pag"}));
    click(pane->chkAllFile());
    EXPECT_EQ(fileNames().size(), 5);

    // The two captions over the lists grow only to the right, to fit their texts.
    for (auto [widget, designed] : {std::pair<QWidget*, QRect>{&pane->Label7(), pixels(2520, 420, 1590, 195)},
                                    {&pane->chkAllFile(), pixels(4200, 420, 795, 255)}}) {
        EXPECT_EQ(widget->pos(), designed.topLeft()) << widget->objectName().toStdString();
        EXPECT_EQ(widget->height(), designed.height());
        EXPECT_GE(widget->width(), std::min(designed.width(), widget->sizeHint().width()));
    }
    EXPECT_LE(pane->chkAllFile().geometry().right(), pane->BTstartBatch().x());
}

TEST_F(BatchPaneTest, WalkingFoldersAndDrives) {
    std::filesystem::create_directories(work / "sub");
    std::filesystem::create_directories(work / "gone");
    test::writeBytes(work / "sub" / "inner.bas", "");
    touch({"outer.frm"});
    makePane(scripted);
    FolderListBox& folders = pane->FolderList();

    // A double-click opens a folder; the file list follows.
    doubleClickFolder("sub");
    EXPECT_EQ(folders.Path(), qs(work / "sub"));
    EXPECT_EQ(pane->FileList().Path(), qs(work / "sub"));
    EXPECT_EQ(fileNames(), QStringList{"inner.bas"});
    doubleClickFolder("work");
    EXPECT_EQ(fileNames(), QStringList{"outer.frm"});
    // Choosing the drive already shown keeps the folder.
    pane->DriveList().setCurrentIndex(1);
    pane->DriveList_Change();
    EXPECT_EQ(folders.Path(), qs(work));

    // A folder removed since it was listed is reported; the lists stay.
    std::filesystem::remove(work / "gone");
    doubleClickFolder("gone");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, trapTitle(vberr::PathNotFound, "FolderList_Change"));
    EXPECT_EQ(folders.Path(), qs(work));
    EXPECT_EQ(fileNames(), QStringList{"outer.frm"});

    // The root drive: its folders are joined without a doubled separator.
    pane->DriveList().setCurrentIndex(0);
    pane->DriveList_Change();
    EXPECT_EQ(folders.Path(), "/");
    EXPECT_EQ(folders.item(0)->text(), "/");
    EXPECT_EQ(pane->FileList().Path(), "/");
    ASSERT_GT(folders.count(), 1);
    EXPECT_EQ(folders.folderAt(1), "/" + folders.item(1)->text());

    // A drive that is not there is reported and the drive list goes back.
    drives.list.push_back({QStringLiteral("/nonexistent-quillon-volume"), QStringLiteral("USB")});
    pane->DriveList().setDrives(drives.list);
    pane->DriveList().setCurrentIndex(2);
    pane->DriveList_Change();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].title, trapTitle(vberr::PathNotFound, "DriveList_Change"));
    EXPECT_EQ(pane->DriveList().Drive(), "/");
    EXPECT_EQ(folders.Path(), "/");
}

TEST_F(BatchPaneTest, MouseSelectionListsTheFilesAndCountsThem) {
    touch({"a.frm", "b.bas", "c.cls", "d.ctl"});
    makePane(scripted);
    EXPECT_EQ(pane->PBfile().caption(), "0 Files");
    EXPECT_FALSE(pane->PBfile().interactive());

    clickFile("a.frm");
    clickFile("b.bas", Qt::ControlModifier);
    clickFile("d.ctl", Qt::ControlModifier);
    EXPECT_EQ(log(), QStringList({"Convert this files :", "a.frm", "b.bas", "d.ctl"}));
    EXPECT_EQ(pane->PBfile().caption(), "3 Files");
    EXPECT_EQ(pane->PBfile().value(), pane->PBfile().max());
    clickFile("a.frm");
    clickFile("c.cls", Qt::ShiftModifier);
    EXPECT_EQ(log(), QStringList({header(), "a.frm", "b.bas", "c.cls"}));
    clickFile("c.cls");
    EXPECT_EQ(log(), QStringList({header(), "c.cls"}));
    EXPECT_EQ(pane->PBfile().caption(), "1 Files");

    // Nothing selected: the bar still reads one, never a maximum of 0, and a run starts nothing.
    clickFile("c.cls", Qt::ControlModifier);
    EXPECT_EQ(log(), QStringList{header()});
    EXPECT_EQ(pane->PBfile().caption(), "1 Files");
    EXPECT_EQ(pane->PBfile().max(), 1);
    run();
    EXPECT_EQ(log(), QStringList({header(), Separator, "Work Completed"}));
    EXPECT_EQ(pane->LSTdo().currentRow(), 2);
    EXPECT_EQ(scripted.starts, 0);

    // A selection made without the mouse reaches the log when "Start" is pressed.
    select({"a.frm", "c.cls"});
    EXPECT_EQ(log().size(), 3);
    run();
    EXPECT_EQ(log().mid(0, 3), QStringList({header(), "a.frm", "c.cls"}));
}

TEST_F(BatchPaneTest, RunWritesThePagesOfTheFilesPaneLogsFailuresAndGoesOn) {
    copyPage("class.cls", "Class1.cls");
    copyPage("form.frm", "Form1.frm");
    copyPage("module.bas", "Module1.bas");
    // A folder where the first page should go: the page writer cannot replace it.
    std::filesystem::create_directory(work / "Class1.cls.html");
    FilesPaneStart start(files());
    makePane(start);
    const QStringList names = {"Class1.cls", "Form1.frm", "Module1.bas"};
    select(names);
    run();

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].title.find(" in Cparti"), std::string::npos) << boxes.shown[0].title;
    EXPECT_TRUE(std::filesystem::is_directory(work / "Class1.cls.html"));
    // The boxes of the "Files" pane keep the last file of the run.
    EXPECT_EQ(files().TXTsource().text(), qs(work / "Module1.bas"));
    EXPECT_EQ(files().TXTtarget().text(), qs(work / "Module1.bas.html"));
    EXPECT_EQ(PBC().caption(), "Work completed !");
    EXPECT_EQ(pane->LSTdo().currentRow(), 8);
    EXPECT_EQ(pane->PBfile().caption(), "0 Files");
    EXPECT_FALSE(pane->running());
    EXPECT_TRUE(pane->BTstartBatch().isEnabled());
    EXPECT_TRUE(pane->FileList().isEnabled());
    EXPECT_EQ(pane->FileList().selectedNames(), names) << "the selection stays";

    // The same pages as "Start" of the "Files" pane writes from the same sources.
    const QStringList lines = log();
    const auto singlePage = [&](const std::string& name) {
        files().TXTsource().setText(qs(work / name));
        files().TXTtarget().setText(qs(folder / "single.html"));
        EXPECT_TRUE(files().BTgo_Click());
        EXPECT_EQ(test::readBytes(work / (name + ".html")), test::readBytes(folder / "single.html")) << name;
        return QString::number(files().LineCount());
    };
    EXPECT_EQ(lines, QStringList({header(), names[0], names[1], names[2], Separator,
                                  "Class1.cls.html Failed: " + QString::fromStdString(boxes.shown[0].text),
                                  "Form1.frm.html Create " + singlePage("Form1.frm") + " lines",
                                  "Module1.bas.html Create " + singlePage("Module1.bas") + " lines",
                                  "Work Completed"}));

    // Without a footer nothing is written, and the log says why.
    std::filesystem::remove(work / "Form1.frm.html");
    std::filesystem::remove(work / "Module1.bas.html");
    files().TXTfoot().setText(qs(folder / "no-footer.txt"));
    boxes.shown.clear();
    run();
    const std::string refusal = "You must choose a Footer File before !";
    EXPECT_EQ(shownTexts(), std::vector<std::string>(3, refusal));
    const QString failed = " Failed: " + QString::fromStdString(refusal);
    EXPECT_EQ(log().mid(4), QStringList({Separator, "Class1.cls.html" + failed, "Form1.frm.html" + failed,
                                         "Module1.bas.html" + failed, "Work Completed"}));
    EXPECT_FALSE(std::filesystem::exists(work / "Form1.frm.html"));
    EXPECT_FALSE(std::filesystem::exists(work / "Module1.bas.html"));
}

TEST_F(BatchPaneTest, DoubleClickOpensOnlyThePagesCreated) {
    touch({"Create.frm", "a & b <i> #1.bas", "bad.cls"});
    std::filesystem::create_directory(work / "sub");
    makePane(scripted);
    scripted.script = {{"", 7}, {"", 12}, {"Disk not ready", 0}};
    select({"Create.frm", "a & b <i> #1.bas", "bad.cls"});
    run();

    EXPECT_EQ(log(), QStringList({header(), "a & b <i> #1.bas", "bad.cls", "Create.frm", Separator,
                                  "a & b <i> #1.bas.html Create 7 lines", "bad.cls.html Create 12 lines",
                                  "Create.frm.html Failed: Disk not ready", "Work Completed"}));
    ASSERT_EQ(scripted.filled.size(), 3u);
    EXPECT_EQ(scripted.filled[0],
              std::make_pair(qs(work / "a & b <i> #1.bas"), qs(work / "a & b <i> #1.bas.html")));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, trapTitle(vberr::PathFileAccess, "Cparti"));

    // Header, names, separator, a failed line and the last line open nothing.
    for (int row : {0, 1, 2, 3, 4, 7, 8}) {
        doubleClick(pane->LSTdo(), row);
    }
    EXPECT_TRUE(opener.calls.empty());
    doubleClick(pane->LSTdo(), 5);
    ASSERT_EQ(opener.calls.size(), 1u);
    EXPECT_EQ(opener.calls[0], (test::FakeDocumentOpener::Call{(work / "a & b <i> #1.bas.html").string(),
                                                               platform::ShowDefault, "", "", "open", 0}));

    // A name that begins with "Create" opens its own page, and no error is raised.
    scripted.script = {{"", 3}};
    select({"Create.frm"});
    run();
    EXPECT_EQ(log()[3], "Create.frm.html Create 3 lines");
    pane->LSTdo().setFocus();
    pane->LSTdo().setCurrentRow(3);
    QTest::keyClick(&pane->LSTdo(), Qt::Key_Return);
    ASSERT_EQ(opener.calls.size(), 2u);
    EXPECT_EQ(opener.calls[1].target, (work / "Create.frm.html").string());

    // The page is where it was written, whatever folder is shown since.
    pane->FolderList_Change(qs(work / "sub"));
    doubleClick(pane->LSTdo(), 3);
    ASSERT_EQ(opener.calls.size(), 3u);
    EXPECT_EQ(opener.calls[2].target, (work / "Create.frm.html").string());
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(BatchPaneTest, LongRunRepaintsAndKeepsTheCurrentLineInView) {
    constexpr int Files = 120;
    for (int i = 0; i < Files; ++i) {
        const std::string name = QStringLiteral("f%1.bas").arg(i, 3, 10, QLatin1Char('0')).toStdString();
        touch({name.c_str()});
    }
    makePane(scripted);
    pane->FileList().selectAll();

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } counter;
    QListWidget& lines = pane->LSTdo();
    lines.viewport()->installEventFilter(&counter);
    const auto inView = [&](QListWidgetItem* item) {
        return lines.viewport()->rect().contains(lines.visualItemRect(item));
    };

    int outOfView = 0;
    scripted.onStart = [&] {
        EXPECT_EQ(lines.currentRow(), lines.count() - 1);
        EXPECT_TRUE(lines.currentItem()->text().startsWith("Convert f"));
        outOfView += inView(lines.currentItem()) ? 0 : 1;
        EXPECT_EQ(pane->PBfile().value(), Files - scripted.starts + 1);
        // The inputs hold still, and a second start is refused.
        EXPECT_TRUE(pane->running());
        EXPECT_FALSE(pane->FileList().isEnabled());
        EXPECT_FALSE(pane->BTstartBatch().isEnabled());
        const int starts = scripted.starts;
        pane->BTstartBatch_Click();
        EXPECT_EQ(scripted.starts, starts);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    run();

    EXPECT_EQ(scripted.starts, Files);
    EXPECT_EQ(outOfView, 0);
    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(lines.count(), 1 + Files + 1 + Files + 1);
    EXPECT_TRUE(inView(lines.item(lines.count() - 1))) << "the last line is the one in view";
    EXPECT_EQ(pane->PBfile().caption(), "0 Files");
    EXPECT_FALSE(pane->running());
    for (QWidget* input :
         std::initializer_list<QWidget*>{&pane->DriveList(), &pane->FolderList(), &pane->FileList(),
                                         &pane->chkAllFile(), &pane->BTstartBatch()}) {
        EXPECT_TRUE(input->isEnabled()) << input->objectName().toStdString();
    }
    lines.viewport()->removeEventFilter(&counter);
}

TEST_F(BatchPaneTest, ClosingTheWindowEndsTheRun) {
    touch({"a.frm", "b.frm", "c.frm"});
    makePane(scripted);
    pane->FileList().selectAll();
    scripted.onStart = [&] {
        if (scripted.starts == 2) {
            window->close();
        }
    };
    run();
    EXPECT_EQ(scripted.starts, 2);
    EXPECT_FALSE(log().contains("Work Completed"));
    EXPECT_FALSE(pane->running());
    EXPECT_TRUE(pane->BTstartBatch().isEnabled());
}

TEST_F(BatchPaneTest, AllFilesConvertsAnyFileAndListsThePagesAfterwards) {
    touch({"notes.txt", "Form1.frm"});
    makePane(scripted);
    click(pane->chkAllFile());
    select({"notes.txt"});
    scripted.onStart = [&] { test::writeBytes(work / "notes.txt.html", "page"); };
    run();
    ASSERT_EQ(scripted.filled.size(), 1u);
    EXPECT_EQ(scripted.filled[0].first, qs(work / "notes.txt"));
    EXPECT_EQ(fileNames(), QStringList({"Form1.frm", "notes.txt", "notes.txt.html"}));
    EXPECT_EQ(pane->FileList().selectedNames(), QStringList{"notes.txt"});
}

TEST(BatchDrivesTest, PathsAndDrives) {
    EXPECT_EQ(joinPath("/", "a.frm"), "/a.frm");
    EXPECT_EQ(joinPath("/home/ann", "a.frm"), "/home/ann/a.frm");
    EXPECT_TRUE(isInside("/home/ann", "/home/ann"));
    EXPECT_TRUE(isInside("/home/ann/src", "/home/ann"));
    EXPECT_FALSE(isInside("/home/anna", "/home/ann"));
    EXPECT_TRUE(isInside("/anything", "/"));

    const std::vector<DriveRoot> roots = {
        {"/", "File System"}, {"/home/ann", "Home"}, {"/media/ann/USB", "USB"}};
    EXPECT_EQ(driveIndexOf(roots, "/etc"), 0);
    EXPECT_EQ(driveIndexOf(roots, "/home/ann/src"), 1);
    EXPECT_EQ(driveIndexOf(roots, "/media/ann/USB/vb"), 2);
    EXPECT_EQ(driveIndexOf({{"/home/ann", "Home"}}, "/etc"), -1);
    EXPECT_EQ(driveCaption(roots[1]), "/home/ann [Home]");

    const std::vector<DriveRoot> system = SystemDriveRoots().roots();
    ASSERT_GE(system.size(), 1u);
    EXPECT_EQ(system[0].path, "/");
    for (const DriveRoot& drive : system) {
        EXPECT_TRUE(QFileInfo(drive.path).isDir()) << drive.path.toStdString();
    }

    // The pane the window builds: the system's drives, the working folder.
    test::FakeDocumentOpener opener;
    ScriptedStart start;
    BatchPane pane(opener, start, nullptr);
    EXPECT_EQ(pane.FolderList().Path(), QDir::cleanPath(QDir::currentPath()));
    EXPECT_EQ(pane.FileList().Path(), pane.FolderList().Path());
    EXPECT_TRUE(isInside(pane.FolderList().Path(), pane.DriveList().Drive()));
}

} // namespace
} // namespace quillon::window::testing
