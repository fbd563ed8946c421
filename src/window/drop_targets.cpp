#include "window/drop_targets.h"

#include "base/vb_error.h"
#include "desktop/qt/qt_text.h"
#include "io/file_system.h"
#include "window/batch_pane.h"
#include "window/direct_pane.h"
#include "window/files_pane.h"
#include "window/frmain.h"
#include "window/start_files.h"

#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

namespace quillon::window {

QStringList droppedLocalFiles(const QMimeData& data) {
    QStringList paths;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile()) {
            return {};
        }
        paths.append(url.toLocalFile());
    }
    return paths;
}

DropTargets::DropTargets(FRMain& window) : QObject(&window), window_(window) {
    watch(window.files(), Target::Files);
    watch(window.batch(), Target::Batch);
    watch(window.direct().TXTorigine(), Target::DirectSource);
}

void DropTargets::watch(QWidget& widget, Target target) {
    // Controls that take drops of their own (the text boxes) would take a file's address
    // as text: they are watched too, and a drag of files goes past them to the pane.
    QList<QWidget*> widgets = widget.findChildren<QWidget*>();
    widgets.prepend(&widget);
    for (QWidget* watched : widgets) {
        targets_.insert(watched, target);
        watched->installEventFilter(this);
    }
    widget.setAcceptDrops(true);
}

bool DropTargets::accepts(Target target, const QStringList& paths) const {
    switch (target) {
    case Target::Files:
        return paths.size() == 1 && files::FileExists(platform::toStdString(paths.front()));
    case Target::Batch:
        return !paths.isEmpty() && !window_.batch().running();
    case Target::DirectSource:
        return paths.size() == 1 && !window_.direct().converting();
    }
    return false;
}

void DropTargets::drop(Target target, const QStringList& paths) {
    switch (target) {
    case Target::Files:
        window_.files().setSource(paths.front());
        break;
    case Target::Batch:
        selectBatchFiles(window_.batch(), paths);
        break;
    case Target::DirectSource:
        trap(window_.errorReporter(), "TXTorigine_OLEDragDrop", [&] {
            const std::string text = files::readHeldText(platform::toStdString(paths.front()));
            window_.direct().TXTorigine().setPlainText(platform::toQString(text));
        });
        break;
    }
}

bool DropTargets::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
        return false;
    }
    auto* dropEvent = static_cast<QDropEvent*>(event);
    const QMimeData* data = dropEvent->mimeData();
    const auto target = targets_.constFind(watched);
    if (data == nullptr || !data->hasUrls() || target == targets_.constEnd()) {
        return false;
    }
    const QStringList paths = droppedLocalFiles(*data);
    if (!accepts(*target, paths)) {
        dropEvent->ignore();
        return true;
    }
    dropEvent->acceptProposedAction();
    if (type == QEvent::Drop) {
        drop(*target, paths);
    }
    return true;
}

} // namespace quillon::window
