#pragma once
// The "Project..." button of the "Batch" pane: publishes a Visual Basic project file or
// group as a site, in a folder the user chooses, through the core's site job. The pane's
// log and its bar tell the run as they tell a batch; the last line sums it up, and a
// double-click on that line opens the site's index.

#include "desktop/file_dialogs.h"
#include "engine/page_writer.h"

#include <QObject>

#include <functional>

class QPushButton;

namespace quillon::window {

class BatchPane;

class ProjectSiteStart final : public QObject {
    Q_OBJECT

public:
    // The button goes on `pane`; `pageJob` gives the options of the pages (header, footer,
    // scheme) as the "Files" pane holds them. `dialogs` and `reporter` must outlive this.
    ProjectSiteStart(BatchPane& pane, platform::FileDialogs& dialogs, ErrorReporter& reporter,
                     std::function<PageJob()> pageJob);

    // Asks for the project and the site's folder, then publishes. Ignored while a run is
    // going on; a cancelled dialog ends it quietly.
    void BTproject_Click();

    QPushButton& BTproject() { return *BTproject_; }
    bool running() const { return running_; }

private:
    class LogRelay;

    void publish(const std::string& input, const std::string& outputFolder);

    BatchPane& pane_;
    platform::FileDialogs& dialogs_;
    ErrorReporter& reporter_;
    std::function<PageJob()> pageJob_;
    QPushButton* BTproject_ = nullptr;
    bool running_ = false;
};

} // namespace quillon::window
