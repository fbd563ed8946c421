// "Project..." on the "Batch" pane: the project and the site's folder come from the
// dialogs, the core writes the site, and the pane's log and bar tell the run.

#include "window/batch_pane.h"
#include "window_fixture.h"

#include <QListWidget>
#include <QPushButton>

namespace quillon::window::testing {
namespace {

using ProjectSiteStartTest = WindowTest;

TEST_F(ProjectSiteStartTest, PublishesTheChosenProjectIntoTheChosenFolder) {
    const std::filesystem::path site = folder / "site";
    dialogs.answerPath((test::dataDir() / "site" / "demo" / "Demo.vbp").string());
    dialogs.answerPath(site.string());
    BatchPane& pane = window->batch();
    window->selectPane(BatchPaneIndex);
    QPushButton& button = control<QPushButton>("BTproject");
    EXPECT_EQ(button.parentWidget(), &pane);
    click(button);

    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[0].kind, platform::FileDialogKind::Open);
    EXPECT_EQ(dialogs.requests[1].kind, platform::FileDialogKind::Folder);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(std::filesystem::exists(site / "index.html"));
    EXPECT_TRUE(std::filesystem::exists(site / "src" / "Counter.cls.html"));
    QListWidget& log = pane.LSTdo();
    ASSERT_GE(log.count(), 6);
    EXPECT_EQ(log.item(0)->text(), "Convert this files :");
    EXPECT_EQ(log.item(log.count() - 2)->text(), "Work Completed");
    EXPECT_TRUE(log.item(log.count() - 1)
                    ->text()
                    .startsWith("Site: 1 project, 3 members, 1 missing, 3 pages written"))
        << log.item(log.count() - 1)->text().toStdString();
    EXPECT_EQ(pane.PBfile().caption(), "0 Files");
    EXPECT_TRUE(button.isEnabled() && pane.BTstartBatch().isEnabled());

    // The summary opens the site; a cancelled dialog writes nothing more.
    pane.LSTdo_DblClick();
    ASSERT_EQ(opener.calls.size(), 1u);
    EXPECT_EQ(opener.calls[0].target, (site / "index.html").string());
    const int lines = log.count();
    click(button);
    EXPECT_EQ(dialogs.requests.size(), 3u);
    EXPECT_EQ(log.count(), lines);
}

} // namespace
} // namespace quillon::window::testing
