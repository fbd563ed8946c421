#include "window/batch_lists.h"

#include "base/vb_error.h"
#include "desktop/qt/qt_text.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

namespace quillon::window {

namespace {

constexpr int FolderRole = Qt::UserRole;
constexpr int DepthRole = Qt::UserRole + 1;

// Indents each folder by its depth in the tree, as the folder list of the design does.
class FolderDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented(option);
        indented.rect.setLeft(indented.rect.left() + indentOf(option, index));
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indentOf(option, index);
        return size;
    }

private:
    static int indentOf(const QStyleOptionViewItem& option, const QModelIndex& index) {
        return index.data(DepthRole).toInt() * option.fontMetrics.averageCharWidth() * 2;
    }
};

QStringList nameFiltersOf(const QString& pattern) {
    QStringList filters;
    for (const QString& part : pattern.split(u';', Qt::SkipEmptyParts)) {
        const QString filter = part.trimmed();
        if (filter == QLatin1String("*.*") || filter == QLatin1String("*")) {
            // Windows reads "*.*" as every file; here it would miss names without a dot.
            return {QStringLiteral("*")};
        }
        if (!filter.isEmpty()) {
            filters.append(filter);
        }
    }
    return filters;
}

} // namespace

QStringList matchingFiles(const QString& folder, const QString& pattern) {
    const QStringList filters = nameFiltersOf(pattern);
    if (filters.isEmpty() || folder.isEmpty()) {
        return {};
    }
    // Without QDir::CaseSensitive the filters match regardless of case: sources copied
    // from Windows come as Form1.FRM as often as form1.frm.
    return QDir(folder).entryList(filters, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this] { emit Change(); });
}

void DriveListBox::setDrives(std::vector<DriveRoot> drives) {
    drives_ = std::move(drives);
    clear();
    for (const DriveRoot& drive : drives_) {
        addItem(driveCaption(drive));
    }
}

QString DriveListBox::Drive() const {
    const int index = currentIndex();
    if (index < 0 || index >= static_cast<int>(drives_.size())) {
        return {};
    }
    return drives_[static_cast<std::size_t>(index)].path;
}

void DriveListBox::showDriveOf(const QString& folder) {
    int index = driveIndexOf(drives_, folder);
    if (index < 0) {
        drives_.insert(drives_.begin(), DriveRoot{QStringLiteral("/"), QStringLiteral("File System")});
        insertItem(0, driveCaption(drives_.front()));
        index = 0;
    }
    setCurrentIndex(index);
}

void DriveListBox::showPopup() {
    emit aboutToShowDrives();
    QComboBox::showPopup();
}

FolderListBox::FolderListBox(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new FolderDelegate(this));
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (item != nullptr) {
            emit folderChosen(item->data(FolderRole).toString());
        }
    });
}

void FolderListBox::setPath(const QString& folder, const QString& top) {
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    const QFileInfo info(clean);
    if (!info.isDir()) {
        quillon::raise(vberr::PathNotFound, platform::toStdString(clean));
    }
    if (!info.isReadable() || !info.isExecutable()) {
        quillon::raise(vberr::PermissionDenied, platform::toStdString(clean));
    }
    const QStringList children =
        QDir(clean).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);

    QString shownTop = QDir::cleanPath(top);
    if (shownTop.isEmpty() || !isInside(clean, shownTop)) {
        shownTop = QStringLiteral("/");
    }

    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
    const auto add = [&](const QString& text, const QString& path, int depth, const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, text, this);
        item->setData(FolderRole, path);
        item->setData(DepthRole, depth);
        item->setToolTip(path);
    };

    int depth = 0;
    QString path = shownTop;
    add(shownTop, shownTop, depth, open);
    for (const QString& part : clean.mid(shownTop.size()).split(u'/', Qt::SkipEmptyParts)) {
        path = joinPath(path, part);
        add(part, path, ++depth, open);
    }
    currentRow_ = count() - 1;
    for (const QString& child : children) {
        add(child, joinPath(clean, child), depth + 1, closed);
    }

    path_ = clean;
    top_ = shownTop;
    setCurrentRow(currentRow_);
    scrollToItem(item(currentRow_), QAbstractItemView::PositionAtTop);
}

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void FileListBox::setPath(const QString& folder) {
    path_ = folder;
    fill({});
}

void FileListBox::setPattern(const QString& pattern) {
    pattern_ = pattern;
    fill({});
}

void FileListBox::Refresh() {
    fill(selectedNames());
}

void FileListBox::fill(const QStringList& keepSelected) {
    clear();
    addItems(matchingFiles(path_, pattern_));
    for (int i = 0; i < count(); ++i) {
        if (keepSelected.contains(item(i)->text())) {
            item(i)->setSelected(true);
        }
    }
}

QString FileListBox::List(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry != nullptr ? entry->text() : QString();
}

bool FileListBox::Selected(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry != nullptr && entry->isSelected();
}

void FileListBox::setSelected(int index, bool selected) {
    if (QListWidgetItem* entry = item(index)) {
        entry->setSelected(selected);
    }
}

QStringList FileListBox::selectedNames() const {
    QStringList names;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected()) {
            names.append(item(i)->text());
        }
    }
    return names;
}

void FileListBox::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    emit MouseUp();
}

} // namespace quillon::window
