#include "desktop/qt/qt_file_dialogs.h"

#include "desktop/dialog_filter.h"
#include "desktop/qt/qt_text.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace quillon::platform {

std::string applicationFolder() {
    return toStdString(QCoreApplication::applicationDirPath());
}

QStringList toQtNameFilters(std::string_view filter) {
    QStringList nameFilters;
    for (const FilterPair& pair : splitDialogFilter(filter)) {
        QStringList patterns;
        for (const QString& part : toQString(pair.pattern).split(u';', Qt::SkipEmptyParts)) {
            QString pattern = part.trimmed();
            if (pattern == u"*.*") {
                pattern = QStringLiteral("*");
            }
            if (!patterns.contains(pattern)) {
                patterns.append(pattern);
            }
            const QString lower = pattern.toLower();
            if (!patterns.contains(lower)) {
                patterns.append(lower);
            }
        }
        nameFilters.append(toQString(pair.description) + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    return nameFilters;
}

QtFileDialogs::QtFileDialogs(QWidget* parent, std::string folder)
    : FileDialogs(std::move(folder)), parent_(parent) {}

std::optional<std::string> QtFileDialogs::showFileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(request.kind == FileDialogKind::Save ? QFileDialog::AcceptSave
                                                              : QFileDialog::AcceptOpen);
    // Any name is accepted: the open dialog does not insist the file exists, and the save
    // dialog neither asks before replacing a file nor adds an extension of its own (the one a
    // style sheet gets is added by the rules every front end shares).
    dialog.setFileMode(request.kind == FileDialogKind::Folder ? QFileDialog::Directory
                                                              : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ShowDirsOnly, request.kind == FileDialogKind::Folder);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setDirectory(toQString(request.initialFolder));
    if (!request.title.empty()) {
        dialog.setWindowTitle(toQString(request.title));
    }
    const QStringList nameFilters = toQtNameFilters(request.filter);
    dialog.setNameFilters(nameFilters);
    if (request.filterIndex >= 1 && request.filterIndex <= nameFilters.size()) {
        dialog.selectNameFilter(nameFilters.at(request.filterIndex - 1));
    }
    if (!request.fileName.empty()) {
        dialog.selectFile(toQString(request.fileName));
    }
    if (runDialog(dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) {
        return std::nullopt;
    }
    return toStdString(chosen.front());
}

} // namespace quillon::platform
