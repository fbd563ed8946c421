#include "platform/qt/fakes/platform_fakes.h"

#include <gtest/gtest.h>

namespace quillon::test {
namespace {

using platform::FileDialogKind;

TEST(PlatformFakes, FileDialogsAnswerInOrderThenCancel) {
    FakeFileDialogs dialogs;
    dialogs.answerPath("/src/Form1.frm");
    dialogs.answerError(76);
    std::string title;
    std::int32_t error = -1;
    EXPECT_EQ(dialogs.OuvrirFichier("frm bas cls ctl pag txt *", title, "Open a VB File", error),
              "/src/Form1.frm");
    EXPECT_EQ(title, "Form1.frm");
    EXPECT_EQ(error, 0);
    EXPECT_EQ(dialogs.EnregistrerFichier("HTML HTM", title, "", error), "");
    EXPECT_EQ(error, 76);
    EXPECT_EQ(dialogs.OuvrirFichier("CSS", title, "", error), "");
    EXPECT_EQ(error, platform::CancelErrorCode);
    ASSERT_EQ(dialogs.requests.size(), 3u);
    EXPECT_EQ(dialogs.requests[1].kind, FileDialogKind::Save);
    EXPECT_EQ(dialogs.requests[1].title, "Open a VB File");
    EXPECT_EQ(dialogs.requests[2].filter, "Fichiers CSS|*.CSS");
    EXPECT_EQ(dialogs.requests[2].initialFolder, "/opt/quillon");
}

TEST(PlatformFakes, ShellUnderTheRealOpenerSeesTheCallAsMade) {
    FakeShell shell;
    shell.results.push_back(platform::shellresult::FileNotFound);
    FakeMessageBoxes boxes;
    platform::ShellDocumentOpener opener(shell, boxes);
    EXPECT_FALSE(opener.OpenDocument("/tmp/a.html", platform::ShowDefault, "", "", "open", 0));
    EXPECT_TRUE(opener.OpenDocument("notepad", platform::ShowDefault, "/tmp/h.txt", "", "open", 0));
    ASSERT_EQ(shell.requests.size(), 2u);
    EXPECT_EQ(shell.requests[0].showMode, platform::ShowNormal);
    EXPECT_EQ(shell.requests[1].showMode, platform::ShowDefault);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Quillon Free");

    FakeDocumentOpener fakeOpener;
    fakeOpener.result = false;
    EXPECT_FALSE(fakeOpener.OpenDocument("mailto:a@b", 10, "", "", "open", 0));
    EXPECT_EQ(fakeOpener.calls,
              (std::vector<FakeDocumentOpener::Call>{{"mailto:a@b", 10, "", "", "open", 0}}));
}

} // namespace
} // namespace quillon::test
