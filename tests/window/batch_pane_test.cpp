// The "Batch" pane: its three lists, the log a selection and a run leave, the bar that
// counts the files left, and the pages a double-click on the log opens.

#include "window_fixture.h"

#include "window/batch_drives.h"
#include "window/batch_files_start.h"
#include "window/batch_lists.h"
#include "window/batch_pane.h"
#include "window/single_file_start.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

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
        // The check that refuses the start; the real start would have shown its message.
        std::optional<std::string> refusal;
        // A failure of the page writer, reported as the writer's trap reports it.
        std::string error;
        long lines = 42;
    };

    std::deque<Outcome> script;
    std::vector<std::pair<QString, QString>> filled;
    int starts = 0;
    std::function<void()> onStart;

    void setSourceAndTarget(const QString& source, const QString& target) override {
        filled.emplace_back(source, target);
    }
    std::optional<std::string> refusal() const override {
        return script.empty() ? std::nullopt : script.front().refusal;
    }
    bool BTgo_Click() override {
        ++starts;
        if (onStart) {
            onStart();
        }
        Outcome outcome;
        if (!script.empty()) {
            outcome = script.front();
            script.pop_front();
        }
        if (outcome.refusal) {
            return false;
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

class BatchPaneTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        std::filesystem::create_directories(work);
        drives.list = {{QStringLiteral("/"), QStringLiteral("File System")}, {qs(folder.path()), "Scratch"}};
    }

    // The pane, inside the window's Batch frame, over `start`, listing `work`.
    BatchPane& makePane(SingleFileStart& start) {
        window->selectPane(BatchPaneIndex);
        pane = new BatchPane(opener, start, drives, &window->FrameSTEP(BatchPaneIndex), qs(work));
        pane->move(0, 0);
        pane->show();
        return *pane;
    }

    static QString qs(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

    void touch(const std::string& name) { test::writeBytes(work / name, "Attribute VB_Name = \"x\"\r\n"); }
    void copyPage(const std::string& from, const std::string& to) {
        std::filesystem::copy_file(test::dataDir() / "pages" / from, work / to);
    }
    void refresh() { pane->FileList().Refresh(); }

    QStringList fileNames() {
        QStringList names;
        for (int i = 0; i < pane->FileList().ListCount(); ++i) {
            names << pane->FileList().List(i);
        }
        return names;
    }
    QStringList log() {
        QStringList lines;
        for (int i = 0; i < pane->LSTdo().count(); ++i) {
            lines << pane->LSTdo().item(i)->text();
        }
        return lines;
    }
    void select(const QStringList& names) {
        for (int i = 0; i < pane->FileList().ListCount(); ++i) {
            pane->FileList().setSelected(i, names.contains(pane->FileList().List(i)));
        }
    }

    // A user's click on a file of the list, with Ctrl or Shift held as asked.
    void clickFile(const QString& name, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        FileListBox& list = pane->FileList();
        const auto found = list.findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, keys, list.visualItemRect(found[0]).center());
    }

    // A user's double-click on line `row` of the log.
    void doubleClickLine(int row) {
        QListWidget& lines = pane->LSTdo();
        lines.scrollToItem(lines.item(row));
        const QPoint at = lines.visualItemRect(lines.item(row)).center();
        QTest::mouseClick(lines.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(lines.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : boxes.shown) {
            texts.push_back(box.text);
        }
        return texts;
    }

    QString header() const { return QString::fromStdString(lang::GetMsg("msg11")); }

    std::filesystem::path work = folder / "work";
    FakeDrives drives;
    ScriptedStart scripted;
    BatchPane* pane = nullptr;
};

TEST_F(BatchPaneTest, ControlsSitWhereDesigned) {
    makePane(scripted);
    EXPECT_EQ(pane->objectName(), "FrameSTEP");
    EXPECT_EQ(vbIndexOf(*pane), BatchPaneIndex);
    EXPECT_EQ(pane->size(), pixels(0, 0, 8805, 5505).size());

    const auto at = [&](const char* name, QRect designed) {
        auto* widget = pane->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(widget, nullptr) << name;
        EXPECT_EQ(widget->geometry(), designed) << name;
    };
    at("DriveList", pixels(120, 180, 2295, 315));
    at("FolderList", pixels(120, 600, 2295, 4815));
    at("FileList", pixels(2460, 660, 2595, 4770));
    at("BTstartBatch", pixels(7260, 660, 1455, 435));
    at("LSTdo", pixels(5100, 1140, 3615, 3375));
    at("PBfile", pixels(5100, 5160, 3615, 255));
    // The two captions may only grow to the right, to fit their texts.
    for (auto [widget, designed] : {std::pair<QWidget*, QRect>{&pane->Label7(), pixels(2520, 420, 1590, 195)},
                                    {&pane->chkAllFile(), pixels(4200, 420, 795, 255)}}) {
        EXPECT_EQ(widget->pos(), designed.topLeft()) << widget->objectName().toStdString();
        EXPECT_EQ(widget->height(), designed.height());
        EXPECT_GE(widget->width(), std::min(designed.width(), widget->sizeHint().width()));
    }
    EXPECT_LE(pane->chkAllFile().geometry().right(), pane->BTstartBatch().x());

    EXPECT_EQ(pane->Label7().text(), "Select some VB files :");
    EXPECT_EQ(pane->chkAllFile().text(), "All files");
    EXPECT_FALSE(pane->chkAllFile().isChecked());
    EXPECT_EQ(pane->BTstartBatch().text(), "Start");
    EXPECT_EQ(pane->BTstartBatch().toolTip(), "Build HTML Files");
    EXPECT_EQ(pane->FileList().selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(pane->FileList().Pattern(), "*.frm;*.cls;*.bas;*.ctl;*.pag");
    EXPECT_EQ(pane->LSTdo().count(), 0);

    BarColor& bar = pane->PBfile();
    EXPECT_EQ(bar.caption(), "0 Files");
    EXPECT_EQ(bar.value(), 0);
    EXPECT_TRUE(bar.autoCaption());
    EXPECT_EQ(bar.strExtend(), " Files");
    EXPECT_EQ(bar.fillColor(), vbRgb(0, 0, 255));
    EXPECT_EQ(bar.foreColor(), vbRgb(255, 255, 0));
    EXPECT_FALSE(bar.interactive());
}

TEST_F(BatchPaneTest, ListsShowTheStartFolderAndMatchWithoutRegardToCase) {
    for (const char* name : {"Form1.frm", "MODULE1.BAS", "Class1.Cls", "ctl.ctl", "page.pag", "notes.txt",
                             "Makefile", ".hidden.frm"}) {
        touch(name);
    }
    for (const char* name : {"sub", "Alpha", ".git"}) {
        std::filesystem::create_directory(work / name);
    }
    makePane(scripted);

    EXPECT_EQ(pane->DriveList().Drive(), qs(folder.path()));
    EXPECT_EQ(pane->DriveList().currentText(), qs(folder.path()) + " [Scratch]");
    EXPECT_EQ(pane->FolderList().Path(), qs(work));
    EXPECT_EQ(pane->FileList().Path(), qs(work));

    // The tree from the drive's root down to the folder, then its subfolders.
    FolderListBox& folders = pane->FolderList();
    ASSERT_EQ(folders.count(), 4);
    EXPECT_EQ(folders.item(0)->text(), qs(folder.path()));
    EXPECT_EQ(folders.item(1)->text(), "work");
    EXPECT_EQ(folders.item(2)->text(), "Alpha");
    EXPECT_EQ(folders.item(3)->text(), "sub");
    EXPECT_EQ(folders.currentFolderRow(), 1);
    EXPECT_EQ(folders.currentRow(), 1);
    EXPECT_EQ(folders.folderAt(3), qs(work / "sub"));

    EXPECT_EQ(fileNames(), QStringList({"Class1.Cls", "ctl.ctl", "Form1.frm", "MODULE1.BAS", "page.pag"}));
    click(pane->chkAllFile());
    EXPECT_EQ(pane->FileList().Pattern(), "*.*");
    EXPECT_EQ(fileNames(), QStringList({"Class1.Cls", "ctl.ctl", "Form1.frm", "Makefile", "MODULE1.BAS",
                                        "notes.txt", "page.pag"}));
    click(pane->chkAllFile());
    EXPECT_EQ(fileNames().size(), 5);
}

TEST_F(BatchPaneTest, WalkingFoldersAndDrives) {
    std::filesystem::create_directories(work / "sub");
    std::filesystem::create_directories(work / "gone");
    test::writeBytes(work / "sub" / "inner.bas", "");
    touch("outer.frm");
    makePane(scripted);
    FolderListBox& folders = pane->FolderList();

    // A double-click opens a folder; the file list follows.
    const auto open = [&](const QString& text) {
        const auto found = folders.findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        const QPoint at = folders.visualItemRect(found[0]).center();
        QTest::mouseClick(folders.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(folders.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    };
    open("sub");
    EXPECT_EQ(folders.Path(), qs(work / "sub"));
    EXPECT_EQ(pane->FileList().Path(), qs(work / "sub"));
    EXPECT_EQ(fileNames(), QStringList{"inner.bas"});
    open("work");
    EXPECT_EQ(fileNames(), QStringList{"outer.frm"});
    // Choosing the drive already shown keeps the folder.
    pane->DriveList().setCurrentIndex(1);
    pane->DriveList_Change();
    EXPECT_EQ(folders.Path(), qs(work));

    // A folder removed since it was listed is reported; the lists stay.
    std::filesystem::remove(work / "gone");
    open("gone");
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
    for (const char* name : {"a.frm", "b.bas", "c.cls", "d.ctl"}) {
        touch(name);
    }
    makePane(scripted);

    clickFile("a.frm");
    clickFile("b.bas", Qt::ControlModifier);
    clickFile("d.ctl", Qt::ControlModifier);
    EXPECT_EQ(log(), QStringList({header(), "a.frm", "b.bas", "d.ctl"}));
    EXPECT_EQ(header(), "Convert this files :");
    EXPECT_EQ(pane->PBfile().caption(), "3 Files");
    EXPECT_EQ(pane->PBfile().value(), pane->PBfile().max());

    clickFile("a.frm");
    clickFile("c.cls", Qt::ShiftModifier);
    EXPECT_EQ(log(), QStringList({header(), "a.frm", "b.bas", "c.cls"}));
    EXPECT_EQ(pane->PBfile().caption(), "3 Files");

    clickFile("c.cls");
    EXPECT_EQ(log(), QStringList({header(), "c.cls"}));
    EXPECT_EQ(pane->PBfile().caption(), "1 Files");

    // Nothing selected: the bar still reads one, never a maximum of 0.
    clickFile("c.cls", Qt::ControlModifier);
    EXPECT_EQ(log(), QStringList{header()});
    EXPECT_EQ(pane->PBfile().caption(), "1 Files");
    EXPECT_EQ(pane->PBfile().max(), 1);

    // A selection made without the mouse reaches the log when "Start" is pressed.
    select({"a.frm", "c.cls"});
    EXPECT_EQ(log(), QStringList{header()});
    click(pane->BTstartBatch());
    EXPECT_EQ(log().mid(0, 3), QStringList({header(), "a.frm", "c.cls"}));
}

TEST_F(BatchPaneTest, RunOverTwoFilesWritesThePagesAndLogsThem) {
    copyPage("form.frm", "Form1.frm");
    copyPage("module.bas", "Module1.bas");
    FilesPaneStart start(files());
    makePane(start);
    select({"Form1.frm", "Module1.bas"});

    click(pane->BTstartBatch());
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
    // The boxes of the "Files" pane keep the last file of the run.
    EXPECT_EQ(files().TXTsource().text(), qs(work / "Module1.bas"));
    EXPECT_EQ(files().TXTtarget().text(), qs(work / "Module1.bas.html"));
    EXPECT_EQ(PBC().caption(), "Work completed !");

    // The same pages as "Start" of the "Files" pane writes from the same sources.
    const auto singlePage = [&](const std::string& name) {
        files().TXTsource().setText(qs(work / name));
        files().TXTtarget().setText(qs(folder / "single.html"));
        EXPECT_TRUE(files().BTgo_Click());
        EXPECT_EQ(test::readBytes(work / (name + ".html")), test::readBytes(folder / "single.html")) << name;
        return files().LineCount();
    };
    const QStringList lines = log();
    const long formLines = singlePage("Form1.frm");
    const long moduleLines = singlePage("Module1.bas");
    EXPECT_GT(formLines, 0);
    EXPECT_EQ(lines, QStringList({header(), "Form1.frm", "Module1.bas", QString(66, u'-'),
                                  "Form1.frm.html Create " + QString::number(formLines) + " lines",
                                  "Module1.bas.html Create " + QString::number(moduleLines) + " lines",
                                  "Work Completed"}));
    EXPECT_EQ(pane->LSTdo().currentRow(), 6);
    EXPECT_EQ(pane->PBfile().caption(), "0 Files");
    EXPECT_FALSE(pane->running());
    EXPECT_TRUE(pane->BTstartBatch().isEnabled());
    EXPECT_TRUE(pane->FileList().isEnabled());
    // The selection stays.
    EXPECT_EQ(pane->FileList().selectedNames(), QStringList({"Form1.frm", "Module1.bas"}));

    pane->LSTdo().setCurrentRow(4);
    pane->LSTdo_DblClick();
    ASSERT_EQ(opener.calls.size(), 1u);
    EXPECT_EQ(opener.calls[0], (test::FakeDocumentOpener::Call{(work / "Form1.frm.html").string(),
                                                               platform::ShowDefault, "", "", "open", 0}));
}

TEST_F(BatchPaneTest, MissingFooterWritesNoPageAndLogsNoCreate) {
    copyPage("form.frm", "Form1.frm");
    copyPage("module.bas", "Module1.bas");
    files().TXTfoot().setText(qs(folder / "no-footer.txt"));
    FilesPaneStart start(files());
    makePane(start);
    select({"Form1.frm", "Module1.bas"});

    click(pane->BTstartBatch());
    const std::string refusal = "You must choose a Footer File before !";
    EXPECT_EQ(boxTexts(), std::vector<std::string>({refusal, refusal}));
    EXPECT_EQ(log().mid(3),
              QStringList({QString(66, u'-'), "Form1.frm.html Failed: " + QString::fromStdString(refusal),
                           "Module1.bas.html Failed: " + QString::fromStdString(refusal), "Work Completed"}));
    EXPECT_FALSE(std::filesystem::exists(work / "Form1.frm.html"));
    EXPECT_FALSE(std::filesystem::exists(work / "Module1.bas.html"));
    EXPECT_EQ(pane->PBfile().caption(), "0 Files");

    // A failed line opens nothing.
    doubleClickLine(4);
    EXPECT_TRUE(opener.calls.empty());
}

TEST_F(BatchPaneTest, PageThatCannotBeWrittenIsLoggedAsFailedAndTheRunGoesOn) {
    copyPage("form.frm", "Form1.frm");
    copyPage("module.bas", "Module1.bas");
    // A folder where the first page should go: the page writer cannot replace it.
    std::filesystem::create_directory(work / "Form1.frm.html");
    FilesPaneStart start(files());
    makePane(start);
    select({"Form1.frm", "Module1.bas"});

    click(pane->BTstartBatch());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].title.find(" in Cparti"), std::string::npos) << boxes.shown[0].title;
    const QStringList lines = log();
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[4], "Form1.frm.html Failed: " + QString::fromStdString(boxes.shown[0].text));
    EXPECT_TRUE(lines[5].startsWith("Module1.bas.html Create "));
    EXPECT_TRUE(std::filesystem::is_directory(work / "Form1.frm.html"));
    EXPECT_TRUE(std::filesystem::is_regular_file(work / "Module1.bas.html"));
    EXPECT_EQ(pane->PBfile().caption(), "0 Files");
}

TEST_F(BatchPaneTest, DoubleClickOpensOnlyThePagesCreated) {
    for (const char* name : {"Create.frm", "a & b <i> #1.bas", "bad.cls"}) {
        touch(name);
    }
    std::filesystem::create_directory(work / "sub");
    makePane(scripted);
    scripted.script = {{std::nullopt, "", 7}, {std::nullopt, "", 12}, {std::nullopt, "Disk not ready", 0}};
    select({"Create.frm", "a & b <i> #1.bas", "bad.cls"});
    click(pane->BTstartBatch());

    const QStringList lines = log();
    EXPECT_EQ(lines, QStringList({header(), "a & b <i> #1.bas", "bad.cls", "Create.frm", QString(66, u'-'),
                                  "a & b <i> #1.bas.html Create 7 lines", "bad.cls.html Create 12 lines",
                                  "Create.frm.html Failed: Disk not ready", "Work Completed"}));
    ASSERT_EQ(scripted.filled.size(), 3u);
    EXPECT_EQ(scripted.filled[0],
              std::make_pair(qs(work / "a & b <i> #1.bas"), qs(work / "a & b <i> #1.bas.html")));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, trapTitle(vberr::PathFileAccess, "Cparti"));

    // Header, names, separator, a failed line and the last line open nothing.
    for (int row : {0, 1, 2, 3, 4, 7, 8}) {
        doubleClickLine(row);
    }
    EXPECT_TRUE(opener.calls.empty());

    doubleClickLine(5);
    ASSERT_EQ(opener.calls.size(), 1u);
    EXPECT_EQ(opener.calls[0].target, (work / "a & b <i> #1.bas.html").string());
    EXPECT_EQ(opener.calls[0].showMode, platform::ShowDefault);
    EXPECT_EQ(opener.calls[0].operation, "open");

    // A name that begins with "Create" opens its own page, and no error is raised.
    scripted.script = {{std::nullopt, "", 3}};
    select({"Create.frm"});
    click(pane->BTstartBatch());
    EXPECT_EQ(log()[3], "Create.frm.html Create 3 lines");
    pane->LSTdo().setFocus();
    pane->LSTdo().setCurrentRow(3);
    QTest::keyClick(&pane->LSTdo(), Qt::Key_Return);
    ASSERT_EQ(opener.calls.size(), 2u);
    EXPECT_EQ(opener.calls[1].target, (work / "Create.frm.html").string());

    // The page is where it was written, whatever folder is shown since.
    pane->FolderList_Change(qs(work / "sub"));
    doubleClickLine(3);
    ASSERT_EQ(opener.calls.size(), 3u);
    EXPECT_EQ(opener.calls[2].target, (work / "Create.frm.html").string());
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(BatchPaneTest, RunWithNothingSelected) {
    touch("a.frm");
    makePane(scripted);
    click(pane->BTstartBatch());
    EXPECT_EQ(log(), QStringList({header(), QString(66, u'-'), "Work Completed"}));
    EXPECT_EQ(pane->LSTdo().currentRow(), 2);
    EXPECT_EQ(pane->PBfile().caption(), "1 Files");
    EXPECT_EQ(scripted.starts, 0);
}

TEST_F(BatchPaneTest, LongRunRepaintsAndKeepsTheCurrentLineInView) {
    constexpr int Files = 120;
    for (int i = 0; i < Files; ++i) {
        touch(QStringLiteral("f%1.bas").arg(i, 3, 10, QLatin1Char('0')).toStdString());
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
    pane->LSTdo().viewport()->installEventFilter(&counter);

    int outOfView = 0;
    scripted.onStart = [&] {
        QListWidget& lines = pane->LSTdo();
        EXPECT_EQ(lines.currentRow(), lines.count() - 1);
        EXPECT_TRUE(lines.currentItem()->text().startsWith("Convert f"));
        if (!lines.viewport()->rect().contains(lines.visualItemRect(lines.currentItem()))) {
            ++outOfView;
        }
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
    click(pane->BTstartBatch());

    EXPECT_EQ(scripted.starts, Files);
    EXPECT_EQ(outOfView, 0);
    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(pane->LSTdo().count(), 1 + Files + 1 + Files + 1);
    EXPECT_EQ(pane->PBfile().caption(), "0 Files");
    EXPECT_FALSE(pane->running());
    for (QWidget* input :
         std::initializer_list<QWidget*>{&pane->DriveList(), &pane->FolderList(), &pane->FileList(),
                                         &pane->chkAllFile(), &pane->BTstartBatch()}) {
        EXPECT_TRUE(input->isEnabled()) << input->objectName().toStdString();
    }
    // The last line is the one in view.
    QListWidget& lines = pane->LSTdo();
    EXPECT_TRUE(lines.viewport()->rect().contains(lines.visualItemRect(lines.item(lines.count() - 1))));
    pane->LSTdo().viewport()->removeEventFilter(&counter);
}

TEST_F(BatchPaneTest, ClosingTheWindowEndsTheRun) {
    for (const char* name : {"a.frm", "b.frm", "c.frm"}) {
        touch(name);
    }
    makePane(scripted);
    pane->FileList().selectAll();
    scripted.onStart = [&] {
        if (scripted.starts == 2) {
            window->close();
        }
    };
    click(pane->BTstartBatch());
    EXPECT_EQ(scripted.starts, 2);
    EXPECT_FALSE(log().contains("Work Completed"));
    EXPECT_FALSE(pane->running());
    EXPECT_TRUE(pane->BTstartBatch().isEnabled());
}

TEST_F(BatchPaneTest, AllFilesConvertsAnyFileAndListsThePagesAfterwards) {
    touch("notes.txt");
    touch("Form1.frm");
    makePane(scripted);
    click(pane->chkAllFile());
    select({"notes.txt"});
    scripted.onStart = [&] { test::writeBytes(work / "notes.txt.html", "page"); };
    click(pane->BTstartBatch());
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
