#include "window/batch_files_start.h"

#include "engine/page_writer.h"
#include "window/files_pane.h"

#include <QLineEdit>

namespace quillon::window {

void FilesPaneStart::setSourceAndTarget(const QString& source, const QString& target) {
    files_.TXTsource().setText(source);
    files_.TXTtarget().setText(target);
}

std::optional<std::string> FilesPaneStart::refusal() const {
    // The same checks "Start" makes, on the same inputs, without telling the user.
    return refusalOf(files_.currentJob(), files_.linkedStyleSheetPath());
}

bool FilesPaneStart::BTgo_Click() {
    return files_.BTgo_Click();
}

long FilesPaneStart::LineCount() const {
    return files_.LineCount();
}

} // namespace quillon::window
