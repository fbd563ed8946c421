#pragma once
// The files the program is started with ("quillon FILE...", also how the desktop's "Open
// with" passes them): one file becomes the source of the "Files" pane, its page proposed
// beside it, as if chosen in the pane's dialog; several files, or a folder, are selected in
// the "Batch" pane, which is then shown.

#include <QStringList>

namespace quillon::window {

class BatchPane;
class FRMain;

// Relative paths are taken from the current folder. The Batch pane shows one folder: that of
// the first file (or the first path, when it is a folder, with every source in it
// selected); files given from other folders are left out.
void openStartFiles(FRMain& window, const QStringList& paths);

// The Batch pane's part of the above, also for files dropped on it: selects `paths` in the
// folder of the first, or every source of the first when it is a folder.
void selectBatchFiles(BatchPane& batch, const QStringList& paths);

} // namespace quillon::window
