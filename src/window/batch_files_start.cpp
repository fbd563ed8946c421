#include "window/batch_files_start.h"

#include "engine/page_writer.h"
#include "window/files_pane.h"

#include <QLineEdit>

namespace quillon::window {

void FilesPaneStart::setSourceAndTarget(const QString& source, const QString& target) {
    files_.TXTsource().setText(source);
    files_.TXTtarget().setText(target);
}

std::optional<Refusal> FilesPaneStart::refusal() const {
    // The same checks "Start" makes, on the same inputs, without telling the user.
    return refusalOf(files_.currentJob(), files_.linkedStyleSheetPath());
}

PageOutcome FilesPaneStart::BTgo_Click() {
    PageOutcome outcome;
    outcome.converted = files_.BTgo_Click();
    outcome.LineCount = files_.LineCount();
    outcome.error = files_.lastError();
    return outcome;
}

} // namespace quillon::window
