#pragma once
// Files dragged from the desktop onto the window: one file dropped on the "Files" pane
// becomes its source, its page proposed beside it, as if chosen in the pane's dialog; files
// or a folder dropped on the "Batch" pane are selected there, as when the program is started
// with them; a file dropped on the Direct pane's source box has its text loaded into it,
// read and decoded as every source is. Text dragged from elsewhere is left to the control
// under it; a drag that carries anything but local files is refused.

#include <QHash>
#include <QObject>
#include <QStringList>

class QMimeData;
class QWidget;

namespace quillon::window {

class FRMain;

// The paths of the local files a drag carries; empty when it carries no address, or one
// that is not a local file (a web page, a file on a remote share that the desktop did not
// mount).
QStringList droppedLocalFiles(const QMimeData& data);

class DropTargets : public QObject {
    Q_OBJECT

public:
    // Owned by `window`, whose panes must be built.
    explicit DropTargets(FRMain& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Target { Files, Batch, DirectSource };

    // `widget` and what it holds take the drops of `target`.
    void watch(QWidget& widget, Target target);
    bool accepts(Target target, const QStringList& paths) const;
    void drop(Target target, const QStringList& paths);

    FRMain& window_;
    QHash<const QObject*, Target> targets_;
};

} // namespace quillon::window
