#include "window/project_site_start.h"

#include "base/vb_error.h"
#include "controls/bar_color.h"
#include "desktop/qt/qt_text.h"
#include "engine/site.h"
#include "lang/translate.h"
#include "window/batch_pane.h"
#include "window/twips.h"
#include "window/window_look.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QListWidget>
#include <QPushButton>

#include <exception>
#include <thread>

namespace quillon::window {

using platform::toQString;

namespace {

// The data of a log line that the pane opens on a double-click.
constexpr int PageRole = Qt::UserRole;

} // namespace

// The site's batch logs from its own threads: each line is handed to the window's thread,
// in order, and shown there.
class ProjectSiteStart::LogRelay final : public BatchLogSink {
public:
    explicit LogRelay(ProjectSiteStart& start) : start_(start) {}

    void addLine(const std::string& line) override {
        post([this, text = toQString(line)] {
            new QListWidgetItem(text, &start_.pane_.LSTdo());
            ++linesBeforePages_;
        });
    }
    void finished(std::size_t /*index*/, const BatchOutcome& /*outcome*/, const std::string& line) override {
        post([this, text = toQString(line)] {
            BarColor& bar = start_.pane_.PBfile();
            if (!pagesStarted_) {
                // The header and the separator framed the names of the pages to write:
                // the bar counts those still to do, as for a batch.
                pagesStarted_ = true;
                bar.setMax(std::max(linesBeforePages_ - 2, 1));
                bar.setValue(bar.max());
            }
            QListWidget& log = start_.pane_.LSTdo();
            auto* item = new QListWidgetItem(text, &log);
            log.scrollToItem(item);
            if (bar.value() != 0) {
                bar.setValue(bar.value() - 1);
            }
        });
    }

private:
    template <typename Show> void post(Show show) {
        QMetaObject::invokeMethod(&start_, std::move(show), Qt::QueuedConnection);
    }

    ProjectSiteStart& start_;
    int linesBeforePages_ = 0;
    bool pagesStarted_ = false;
};

ProjectSiteStart::ProjectSiteStart(BatchPane& pane, platform::FileDialogs& dialogs, ErrorReporter& reporter,
                                   std::function<PageJob()> pageJob)
    : QObject(&pane), pane_(pane), dialogs_(dialogs), reporter_(reporter), pageJob_(std::move(pageJob)) {
    BTproject_ = new QPushButton(QStringLiteral("Project..."), &pane);
    nameControl(*BTproject_, "BTproject");
    BTproject_->setToolTip(QStringLiteral("Publish a project as a site"));
    // Beside "Start", above the log.
    placeInTwips(*BTproject_, 5100, 660, 1455, 435);
    connect(BTproject_, &QPushButton::clicked, this, [this] { BTproject_Click(); });
}

void ProjectSiteStart::BTproject_Click() {
    if (running_ || pane_.running()) {
        return;
    }
    std::string title;
    std::int32_t error = 0;
    const std::string input = dialogs_.OuvrirFichier(platform::FileKind::Project, title,
                                                     lang::dialogText(lang::dialogtext::ProjectTitle), error);
    if (input.empty()) {
        return;
    }
    const std::string folder = dialogs_.chooseFolder(
        platform::FileKind::SiteFolder, lang::dialogText(lang::dialogtext::SiteFolderTitle), error);
    if (folder.empty()) {
        return;
    }
    publish(input, folder);
}

void ProjectSiteStart::publish(const std::string& input, const std::string& outputFolder) {
    running_ = true;
    BTproject_->setEnabled(false);
    pane_.BTstartBatch().setEnabled(false);
    pane_.LSTdo().clear();
    trap(reporter_, "BTproject_Click", [&] {
        SiteSettings settings;
        settings.page = pageJob_();
        settings.page.linkedStyleSheet.reset();
        settings.outputFolder = outputFolder;
        settings.jobs = 0;
        LogRelay relay(*this);
        SiteResult result;
        std::exception_ptr failure;
        QEventLoop loop;
        {
            // The window keeps painting while the site is written, but takes no input.
            std::jthread worker([&] {
                try {
                    BatchLog log(relay, {lang::GetMsg("msg11"), [](Refusal refusal) {
                                             return lang::GetMsg(lang::messageKeyOf(refusal));
                                         }});
                    result = writeSite({input}, settings, log);
                } catch (...) {
                    failure = std::current_exception();
                }
                QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
            });
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        // Lines posted before the end are shown before it: nothing is left in the queue.
        QCoreApplication::sendPostedEvents(this);
        if (failure) {
            std::rethrow_exception(failure);
        }
        QListWidget& log = pane_.LSTdo();
        for (const VbError& problem : result.failures) {
            new QListWidgetItem(toQString(problem.description()), &log);
        }
        auto* summary = new QListWidgetItem(toQString("Site: " + siteSummary(result)), &log);
        summary->setData(PageRole, toQString(outputFolder + "/index.html"));
        log.setCurrentItem(summary);
        log.scrollToItem(summary);
    });
    pane_.BTstartBatch().setEnabled(true);
    BTproject_->setEnabled(true);
    running_ = false;
}

} // namespace quillon::window
