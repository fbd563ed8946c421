#include "window/batch_pane.h"

#include "base/vb_error.h"
#include "controls/bar_color.h"
#include "controls/vb_color.h"
#include "desktop/qt/qt_text.h"
#include "engine/batch.h"
#include "lang/translate.h"
#include "window/batch_lists.h"
#include "window/pane_host.h"
#include "window/single_file_start.h"
#include "window/twips.h"
#include "window/window_look.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace quillon::window {

using platform::toQString;
using platform::toStdString;

namespace {

// The full path of the page a log line tells of; only the lines of created pages carry
// one. Kept with the line rather than read back from its text: a file name may itself
// contain "Create", and the folder shown may have changed since the page was written.
constexpr int PageRole = Qt::UserRole;

// How often the window gets to repaint between two files of a long run.
constexpr std::chrono::milliseconds RepaintInterval(40);

QLabel* makeLabel(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    nameControl(*label, name);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

BatchWording logWording() {
    return {lang::GetMsg("msg11"), [](Refusal refusal) { return lang::GetMsg(lang::messageKeyOf(refusal)); }};
}

// Keeps the pane's inputs still for the time of a run. The window enables its panes again
// after every page, but the folder, the pattern and the selection must not change until
// the last one, nor may a second run start inside this one.
class BatchPane::RunFence {
public:
    explicit RunFence(BatchPane& pane) : pane_(pane) {
        pane_.running_ = true;
        for (QWidget* input : inputs()) {
            input->setEnabled(false);
        }
    }
    ~RunFence() {
        for (QWidget* input : inputs()) {
            input->setEnabled(true);
        }
        pane_.running_ = false;
    }
    RunFence(const RunFence&) = delete;
    RunFence& operator=(const RunFence&) = delete;

private:
    std::array<QWidget*, 5> inputs() const {
        return {pane_.DriveList_, pane_.FolderList_, pane_.FileList_, pane_.chkAllFile_, pane_.BTstartBatch_};
    }

    BatchPane& pane_;
};

// The log in LSTdo: the line of the file being converted is selected, then rewritten with
// its outcome.
class BatchPane::LogLines final : public BatchLogSink {
public:
    LogLines(BatchPane& pane, const std::vector<BatchFile>& files) : pane_(pane), files_(files) {}

    void addLine(const std::string& line) override { last_ = pane_.addLine(toQString(line)); }
    void converting(std::size_t /*index*/, const std::string& line) override {
        addLine(line);
        pane_.selectLine(last_);
    }
    void finished(std::size_t index, const BatchOutcome& outcome, const std::string& line) override {
        last_->setText(toQString(line));
        if (outcome.converted) {
            last_->setData(PageRole, toQString(files_[index].target));
        }
        if (pane_.PBfile_->value() != 0) {
            pane_.PBfile_->setValue(pane_.PBfile_->value() - 1);
        }
        pane_.letWindowRepaint();
    }
    QListWidgetItem* last() const { return last_; }

private:
    BatchPane& pane_;
    const std::vector<BatchFile>& files_;
    QListWidgetItem* last_ = nullptr;
};

// Each file through the single-file start, as "Start" on the "Files" pane converts it.
class BatchPane::Converter final : public FileConverter {
public:
    explicit Converter(BatchPane& pane) : pane_(pane), shownAtStart_(pane.window()->isVisible()) {}

    // A window closed while a page was written ends the run: nobody sees the rest.
    bool goOn() override { return !shownAtStart_ || pane_.window()->isVisible(); }

    BatchOutcome convert(const BatchFile& file) override {
        SingleFileStart& start = pane_.start_;
        start.setSourceAndTarget(toQString(file.source), toQString(file.target));
        std::optional<Refusal> refusal;
        try {
            refusal = start.refusal();
        } catch (const VbError&) {
            // The start's own check will tell the user.
        }
        const PageOutcome page = start.BTgo_Click();
        BatchOutcome outcome;
        outcome.converted = page.converted;
        outcome.LineCount = page.LineCount;
        if (!page.converted) {
            outcome.refusal = refusal;
            outcome.error = page.error;
        }
        return outcome;
    }

private:
    BatchPane& pane_;
    const bool shownAtStart_;
};

BatchPane::BatchPane(platform::DocumentOpener& opener, ErrorReporter& reporter, SingleFileStart& start,
                     QWidget* parent)
    : QFrame(parent), opener_(opener), reporter_(reporter), start_(start),
      systemDrives_(std::make_unique<SystemDriveRoots>()), drives_(systemDrives_.get()) {
    init(QString());
}

BatchPane::BatchPane(platform::DocumentOpener& opener, ErrorReporter& reporter, SingleFileStart& start,
                     const DriveRoots& drives, QWidget* parent, const QString& startFolder)
    : QFrame(parent), opener_(opener), reporter_(reporter), start_(start), drives_(&drives) {
    init(startFolder);
}

void BatchPane::init(const QString& startFolder) {
    nameControl(*this, "FrameSTEP", BatchPaneIndex);
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    placeInTwips(*this, 120, 480, 8805, 5505);
    buildControls();

    DriveList_->setDrives(drives_->roots());
    FileList_->setPattern(QString::fromLatin1(BatchSourcePattern));
    showStartFolder(startFolder.isEmpty() ? QDir::currentPath() : startFolder);

    connect(DriveList_, &DriveListBox::Change, this, [this] { DriveList_Change(); });
    connect(DriveList_, &DriveListBox::aboutToShowDrives, this, [this] { refreshDrives(); });
    connect(FolderList_, &FolderListBox::folderChosen, this,
            [this](const QString& folder) { FolderList_Change(folder); });
    connect(chkAllFile_, &QCheckBox::toggled, this, [this] { chkAllFile_Click(); });
    connect(FileList_, &FileListBox::MouseUp, this, [this] { FileList_MouseUp(); });
    connect(BTstartBatch_, &QPushButton::clicked, this, [this] { BTstartBatch_Click(); });
    connect(LSTdo_, &QListWidget::itemDoubleClicked, this, [this] { LSTdo_DblClick(); });
    LSTdo_->installEventFilter(this);
}

void BatchPane::buildControls() {
    DriveList_ = new DriveListBox(this);
    nameControl(*DriveList_, "DriveList");
    placeInTwips(*DriveList_, 120, 180, 2295, 315);

    FolderList_ = new FolderListBox(this);
    nameControl(*FolderList_, "FolderList");
    placeInTwips(*FolderList_, 120, 600, 2295, 4815);

    Label7_ = makeLabel(this, "Label7", "Select some VB files :");
    placeInTwips(*Label7_, 2520, 420, 1590, 195);

    FileList_ = new FileListBox(this);
    nameControl(*FileList_, "FileList");
    placeInTwips(*FileList_, 2460, 660, 2595, 4770);

    chkAllFile_ = new QCheckBox(QStringLiteral("All files"), this);
    nameControl(*chkAllFile_, "chkAllFile");
    placeInTwips(*chkAllFile_, 4200, 420, 795, 255);

    BTstartBatch_ = new QPushButton(QStringLiteral("Start"), this);
    nameControl(*BTstartBatch_, "BTstartBatch");
    BTstartBatch_->setToolTip(QStringLiteral("Build HTML Files"));
    placeInTwips(*BTstartBatch_, 7260, 660, 1455, 435);

    LSTdo_ = new QListWidget(this);
    nameControl(*LSTdo_, "LSTdo");
    LSTdo_->setSelectionMode(QAbstractItemView::SingleSelection);
    LSTdo_->setUniformItemSizes(true);
    placeInTwips(*LSTdo_, 5100, 1140, 3615, 3375);

    PBfile_ = new BarColor(this);
    nameControl(*PBfile_, "PBfile");
    // The caption is the count of files left, not words a language file could replace.
    PBfile_->setProperty("vbKeepText", true);
    PBfile_->setInteractive(false);
    PBfile_->setAutoCaption(true);
    PBfile_->setStrExtend(QStringLiteral(" Files"));
    PBfile_->setFillColor(vbRgb(0, 0, 255));
    PBfile_->setForeColor(vbRgb(255, 255, 0));
    PBfile_->setValue(0);
    placeInTwips(*PBfile_, 5100, 5160, 3615, 255);

    setTabOrder(DriveList_, FolderList_);
    setTabOrder(FolderList_, chkAllFile_);
    setTabOrder(chkAllFile_, FileList_);
    setTabOrder(FileList_, BTstartBatch_);
    setTabOrder(BTstartBatch_, LSTdo_);
}

bool BatchPane::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a log line does what a double-click does.
    if (watched == LSTdo_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            LSTdo_DblClick();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void BatchPane::showStartFolder(const QString& folder) {
    // The working folder may be gone or closed to us; then the home folder, then the root.
    for (const QString& candidate : {folder, QDir::homePath(), QStringLiteral("/")}) {
        try {
            showFolder(candidate);
            return;
        } catch (const VbError&) {
        }
    }
}

void BatchPane::showFolder(const QString& folder) {
    DriveList_->showDriveOf(QDir::cleanPath(folder));
    FolderList_->setPath(folder, DriveList_->Drive());
    FileList_->setPath(FolderList_->Path());
    DriveList_->showDriveOf(FolderList_->Path());
}

void BatchPane::selectFiles(const QString& folder, const QStringList& names) {
    trap(reporter_, "FolderList_Change", [&] {
        showFolder(folder);
        const QStringList sources = matchingFiles(FileList_->Path(), QString::fromLatin1(BatchSourcePattern));
        const bool allFiles = std::any_of(names.begin(), names.end(),
                                          [&](const QString& name) { return !sources.contains(name); });
        chkAllFile_->setChecked(allFiles); // its toggle sets the pattern
        for (int i = 0; i < FileList_->ListCount(); ++i) {
            FileList_->setSelected(i, names.isEmpty() || names.contains(FileList_->List(i)));
        }
        rebuildSelectionLog();
    });
}

void BatchPane::refreshDrives() {
    DriveList_->setDrives(drives_->roots());
    DriveList_->showDriveOf(FolderList_->Path());
}

void BatchPane::DriveList_Change() {
    const bool changed = trap(reporter_, "DriveList_Change", [&] {
        const QString drive = DriveList_->Drive();
        const int shown = driveIndexOf(DriveList_->drives(), FolderList_->Path());
        if (shown >= 0 && DriveList_->drives()[static_cast<std::size_t>(shown)].path == drive) {
            // The drive of the folder shown was chosen again: the folder stays.
            return true;
        }
        FolderList_->setPath(drive, drive);
        FileList_->setPath(FolderList_->Path());
        return true;
    });
    if (!changed) {
        // The drive list goes back to the drive of the folder still shown.
        DriveList_->showDriveOf(FolderList_->Path());
    }
}

void BatchPane::FolderList_Change(const QString& folder) {
    trap(reporter_, "FolderList_Change", [&] {
        FolderList_->setPath(folder, FolderList_->top());
        FileList_->setPath(FolderList_->Path());
    });
}

void BatchPane::chkAllFile_Click() {
    FileList_->setPattern(
        QString::fromLatin1(chkAllFile_->isChecked() ? AllFilesPattern : BatchSourcePattern));
}

void BatchPane::FileList_MouseUp() {
    trap(reporter_, "FileList_MouseUp", [&] { rebuildSelectionLog(); });
}

void BatchPane::fillFileBar(int selected) {
    PBfile_->setMax(std::max(selected, 1));
    PBfile_->setValue(PBfile_->max());
}

void BatchPane::rebuildSelectionLog() {
    LSTdo_->clear();
    const QStringList names = FileList_->selectedNames();
    std::vector<std::string> shown;
    for (const QString& name : names) {
        shown.push_back(toStdString(name));
    }
    const std::vector<BatchFile> none;
    LogLines lines(*this, none);
    BatchLog(lines, logWording()).selection(shown);
    fillFileBar(static_cast<int>(names.size()));
}

void BatchPane::BTstartBatch_Click() {
    if (running_) {
        return;
    }
    trap(reporter_, "BTstartBatch_Click", [&] {
        const RunFence fence(*this);
        // Taken once: what is converted is what was selected when the run began.
        const QString folder = FileList_->Path();
        const QStringList names = FileList_->selectedNames();
        std::vector<BatchFile> files;
        for (const QString& name : names) {
            const QString source = joinPath(folder, name);
            files.push_back({toStdString(source), toStdString(source + QStringLiteral(".html"))});
        }
        LSTdo_->clear();
        fillFileBar(static_cast<int>(names.size()));
        lastRepaint_ = std::chrono::steady_clock::now();
        LogLines lines(*this, files);
        BatchLog log(lines, logWording());
        Converter converter(*this);
        if (runBatch(files, converter, log).size() == files.size()) {
            selectLine(lines.last());
        }
    });
    // With "All files" the new pages belong in the list.
    FileList_->Refresh();
}

QListWidgetItem* BatchPane::addLine(const QString& text) {
    // Plain items: a name with "&", "<" or "#" reads as it is written.
    return new QListWidgetItem(text, LSTdo_);
}

void BatchPane::selectLine(QListWidgetItem* line) {
    LSTdo_->setCurrentItem(line);
    LSTdo_->scrollToItem(line);
}

void BatchPane::letWindowRepaint() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastRepaint_ < RepaintInterval) {
        return;
    }
    lastRepaint_ = now;
    // Between two pages the panes are enabled again: input would reach them, so only
    // painting and other non-input events are let through here.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void BatchPane::LSTdo_DblClick() {
    trap(reporter_, "LSTdo_DblClick", [&] {
        const QListWidgetItem* line = LSTdo_->currentItem();
        if (line == nullptr) {
            return;
        }
        const QString page = line->data(PageRole).toString();
        if (page.isEmpty()) {
            return;
        }
        opener_.OpenDocument(toStdString(page), platform::ShowDefault, "", "", "open", 0);
    });
}

} // namespace quillon::window
