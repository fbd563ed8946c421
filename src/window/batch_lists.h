#pragma once
// The three lists of the Batch pane, which stand for the drive, folder and file lists of
// the design: a drive is one of the roots of batch_drives.h, the folder list walks the
// tree of the drive shown, and the file list shows the files of one folder that match a
// Windows-style pattern.

#include "window/batch_drives.h"

#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>

#include <vector>

namespace quillon::window {

class DriveListBox : public QComboBox {
    Q_OBJECT

public:
    explicit DriveListBox(QWidget* parent);

    void setDrives(std::vector<DriveRoot> drives);
    const std::vector<DriveRoot>& drives() const { return drives_; }

    // The root of the drive shown.
    QString Drive() const;
    // Shows the drive `folder` lies on. A folder on none of the drives lies on "/", which
    // is added for it.
    void showDriveOf(const QString& folder);

    void showPopup() override;

signals:
    // The user chose a drive.
    void Change();
    // The list is about to drop down: the drives may be read again.
    void aboutToShowDrives();

private:
    std::vector<DriveRoot> drives_;
};

class FolderListBox : public QListWidget {
    Q_OBJECT

public:
    explicit FolderListBox(QWidget* parent);

    // The folder shown, clean and absolute.
    QString Path() const { return path_; }
    // The top of the tree shown: the root of the folder's drive.
    QString top() const { return top_; }

    // Shows the folders from `top` down to `folder` and the subfolders of `folder`; a
    // folder outside `top` is shown from "/". Raises VbError when the folder does not
    // exist or cannot be listed, and the list then stays as it was.
    void setPath(const QString& folder, const QString& top);

signals:
    // The user opened a folder of the list (double-click or Enter).
    void folderChosen(const QString& folder);

private:
    QString path_;
    QString top_;
    int currentRow_ = -1;
};

class FileListBox : public QListWidget {
    Q_OBJECT

public:
    explicit FileListBox(QWidget* parent);

    QString Path() const { return path_; }
    void setPath(const QString& folder);
    // Patterns separated by ";", matched without regard to case; "*.*" is every file, as
    // on Windows, dotted or not.
    void setPattern(const QString& pattern);
    // Lists the folder again; the files still there keep their selection.
    void Refresh();

    int ListCount() const { return count(); }
    QString List(int index) const;
    bool Selected(int index) const;
    void setSelected(int index, bool selected);
    // The names selected, in list order.
    QStringList selectedNames() const;

signals:
    // A mouse button was released over the list, after the list took the click.
    void MouseUp();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fill(const QStringList& keepSelected);

    QString path_;
    QString pattern_;
};

// The file names of `folder` that match `pattern` (as FileListBox matches it), sorted
// without regard to case; hidden files are left out. An unreadable folder lists nothing.
QStringList matchingFiles(const QString& folder, const QString& pattern);

} // namespace quillon::window
