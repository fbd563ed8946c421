// quillon FILE...: one file becomes the Files pane's source; several, or a folder, are
// selected in the Batch pane.

#include "window_fixture.h"

#include "window/batch_lists.h"
#include "window/batch_pane.h"
#include "window/start_files.h"

#include <QLineEdit>

namespace quillon::window::testing {
namespace {

using StartFilesTest = WindowTest;

TEST_F(StartFilesTest, OneFileIsTheSourceSeveralOrAFolderAreSelectedInTheBatchPane) {
    for (const char* name : {"a.frm", "b.bas", "notes.txt"}) {
        test::writeBytes(folder / name, "x\r\n");
    }
    const QString dir = qs(folder.path());
    openStartFiles(*window, {dir + "/a.frm"});
    EXPECT_EQ(window->shownPane(), FilesPaneIndex);
    EXPECT_EQ(files().TXTsource().text(), dir + "/a.frm");
    EXPECT_EQ(files().TXTtarget().text(), dir + "/a.frm.html"); // as the dialog proposes it

    // Files of another folder than the first file's are left out; a text file needs "All files".
    BatchPane& batch = window->batch();
    openStartFiles(*window, {dir + "/b.bas", dir + "/notes.txt", "/elsewhere/c.frm"});
    EXPECT_EQ(window->shownPane(), BatchPaneIndex);
    EXPECT_EQ(batch.FileList().Path(), dir);
    EXPECT_TRUE(batch.chkAllFile().isChecked());
    EXPECT_EQ(batch.FileList().selectedNames(), QStringList({"b.bas", "notes.txt"}));

    openStartFiles(*window, {dir});
    EXPECT_FALSE(batch.chkAllFile().isChecked());
    EXPECT_EQ(batch.FileList().selectedNames(), QStringList({"a.frm", "b.bas"}));
}

} // namespace
} // namespace quillon::window::testing
