#include "window/start_files.h"

#include "window/batch_pane.h"
#include "window/files_pane.h"
#include "window/frmain.h"

#include <QFileInfo>

namespace quillon::window {

void selectBatchFiles(BatchPane& batch, const QStringList& paths) {
    if (paths.isEmpty()) {
        return;
    }
    const QFileInfo first(paths.front());
    const QString folder = first.isDir() ? first.absoluteFilePath() : first.absolutePath();
    QStringList names;
    if (!first.isDir()) {
        for (const QString& path : paths) {
            const QFileInfo file(path);
            if (file.absolutePath() == folder && !names.contains(file.fileName())) {
                names.append(file.fileName());
            }
        }
    }
    batch.selectFiles(folder, names);
}

void openStartFiles(FRMain& window, const QStringList& paths) {
    if (paths.isEmpty()) {
        return;
    }
    const QFileInfo first(paths.front());
    if (paths.size() == 1 && !first.isDir()) {
        window.files().setSource(first.absoluteFilePath());
        return;
    }
    selectBatchFiles(window.batch(), paths);
    window.selectPane(BatchPaneIndex);
}

} // namespace quillon::window
