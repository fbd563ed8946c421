#pragma once
// The "Batch" pane: the user picks a drive and a folder, selects files and presses "Start";
// each selected file becomes a page beside it, named after the whole file name with
// ".html" appended, through the same start as the "Files" pane. A list logs the run, a
// second bar counts the files still to do, and a double-click on the line of a created page
// opens that page.

#include "base/vb_error.h"
#include "desktop/document_opener.h"
#include "window/batch_drives.h"

#include <QFrame>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

class QCheckBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace quillon {
class BarColor;
} // namespace quillon

namespace quillon::window {

class DriveListBox;
class FileListBox;
class FolderListBox;
class SingleFileStart;

// The patterns of the file list: Visual Basic sources, or with "All files" every file.
inline constexpr char BatchSourcePattern[] = "*.frm;*.cls;*.bas;*.ctl;*.pag";
inline constexpr char AllFilesPattern[] = "*.*";

class BatchPane : public QFrame {
    Q_OBJECT

public:
    // `start` converts each file and `reporter` receives the errors the pane traps; both
    // must outlive the pane. The drives are the system's and the lists start in the current
    // working folder.
    BatchPane(platform::DocumentOpener& opener, ErrorReporter& reporter, SingleFileStart& start,
              QWidget* parent);
    // `drives` is asked for the drive list at once and again whenever the list is opened,
    // so volumes mounted meanwhile show up; it must outlive the pane. The lists start in
    // `startFolder`, or in the current working folder when it is empty.
    BatchPane(platform::DocumentOpener& opener, ErrorReporter& reporter, SingleFileStart& start,
              const DriveRoots& drives, QWidget* parent, const QString& startFolder = QString());

    // The folder list goes to the root of the drive chosen, the file list follows. A drive
    // that cannot be listed is reported and the lists stay where they were.
    void DriveList_Change();
    // Opens `folder` in the folder list, and the file list follows. A folder that cannot be
    // listed is reported and the lists stay where they were.
    void FolderList_Change(const QString& folder);
    // Chooses the pattern of the file list from "All files".
    void chkAllFile_Click();
    // Rebuilds the log as the list of the files selected, and sets the bar to their number.
    void FileList_MouseUp();
    // Converts every selected file, logging each. Ignored while a run is going on.
    void BTstartBatch_Click();
    // Opens the page of the current log line when that line tells of a created page.
    void LSTdo_DblClick();

    // Shows `folder` and selects the files `names` in it, every listed source when `names`
    // is empty; "All files" is ticked when a name is not a Visual Basic source. A folder that
    // cannot be listed is reported and the lists stay where they were.
    void selectFiles(const QString& folder, const QStringList& names);

    bool running() const { return running_; }

    DriveListBox& DriveList() { return *DriveList_; }
    FolderListBox& FolderList() { return *FolderList_; }
    FileListBox& FileList() { return *FileList_; }
    QCheckBox& chkAllFile() { return *chkAllFile_; }
    QListWidget& LSTdo() { return *LSTdo_; }
    BarColor& PBfile() { return *PBfile_; }
    QPushButton& BTstartBatch() { return *BTstartBatch_; }
    QLabel& Label7() { return *Label7_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class RunFence;
    class LogLines;
    class Converter;

    void init(const QString& startFolder);
    void buildControls();
    void showStartFolder(const QString& folder);
    // Raises VbError when the folder cannot be listed.
    void showFolder(const QString& folder);
    void refreshDrives();

    void rebuildSelectionLog();
    // The bar full at the number of selected files, but never at a maximum of 0.
    void fillFileBar(int selected);
    QListWidgetItem* addLine(const QString& text);
    void selectLine(QListWidgetItem* line);
    // Lets the window repaint between two files, without taking input.
    void letWindowRepaint();

    platform::DocumentOpener& opener_;
    ErrorReporter& reporter_;
    SingleFileStart& start_;
    std::unique_ptr<DriveRoots> systemDrives_;
    const DriveRoots* drives_ = nullptr;
    bool running_ = false;
    std::chrono::steady_clock::time_point lastRepaint_;

    DriveListBox* DriveList_ = nullptr;
    FolderListBox* FolderList_ = nullptr;
    QLabel* Label7_ = nullptr;
    FileListBox* FileList_ = nullptr;
    QCheckBox* chkAllFile_ = nullptr;
    QPushButton* BTstartBatch_ = nullptr;
    QListWidget* LSTdo_ = nullptr;
    BarColor* PBfile_ = nullptr;
};

} // namespace quillon::window
