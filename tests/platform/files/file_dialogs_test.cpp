#include "platform/files/file_dialogs.h"

#include "engine/vb_error.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace quillon::platform {
namespace {

// A dialog whose user's answer is the next scripted function.
class ScriptedDialogs final : public FileDialogs {
public:
    ScriptedDialogs() : FileDialogs("/opt/quillon") {}
    std::deque<std::function<std::optional<std::string>()>> answers;
    std::vector<FileDialogRequest> shown;

protected:
    std::optional<std::string> showFileDialog(const FileDialogRequest& request) override {
        shown.push_back(request);
        auto answer = std::move(answers.front());
        answers.pop_front();
        return answer();
    }
};

auto chooses(std::string path) {
    return [path] { return std::optional<std::string>(path); };
}
auto cancels() {
    return [] { return std::optional<std::string>(); };
}

TEST(FileDialogs, ConfirmedChoiceGivesPathBareNameAndNoError) {
    ScriptedDialogs dialogs;
    dialogs.answers.push_back(chooses("/home/ann/My Projects/Form1.frm"));
    std::string title = "old";
    std::int32_t error = -1;
    EXPECT_EQ(dialogs.OuvrirFichier("frm bas cls ctl pag txt *", title, "Open a VB File", error),
              "/home/ann/My Projects/Form1.frm");
    EXPECT_EQ(title, "Form1.frm");
    EXPECT_EQ(error, 0);

    ASSERT_EQ(dialogs.shown.size(), 1u);
    const FileDialogRequest& request = dialogs.shown[0];
    EXPECT_EQ(request.kind, FileDialogKind::Open);
    EXPECT_EQ(request.filter, buildDialogFilter("frm bas cls ctl pag txt *", FileDialogKind::Open));
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.initialFolder, "/opt/quillon");
    EXPECT_EQ(request.title, "Open a VB File");
    EXPECT_EQ(request.fileName, "");
}

TEST(FileDialogs, SaveDialogUsesTheSaveWording) {
    ScriptedDialogs dialogs;
    dialogs.answers.push_back(chooses("/tmp/out.html"));
    std::string title;
    std::int32_t error = -1;
    EXPECT_EQ(dialogs.EnregistrerFichier("HTML HTM", title, "Save As ...", error), "/tmp/out.html");
    EXPECT_EQ(dialogs.shown.at(0).kind, FileDialogKind::Save);
    EXPECT_EQ(dialogs.shown.at(0).filter, "Fichiers HTML|*.HTML|Fichiers HTM|*.HTM");
}

TEST(FileDialogs, CancelGivesEmptyTextAndCancelErrorAndKeepsTheTitleArgument) {
    ScriptedDialogs dialogs;
    dialogs.answers.push_back(cancels());
    std::string title = "kept";
    std::int32_t error = 0;
    EXPECT_EQ(dialogs.OuvrirFichier("CSS", title, "Choose a CSS", error), "");
    EXPECT_EQ(title, "kept");
    EXPECT_EQ(error, CancelErrorCode);
    EXPECT_EQ(CancelErrorCode, 32755);
}

TEST(FileDialogs, DialogFailureGivesItsNumberSilently) {
    ScriptedDialogs dialogs;
    dialogs.answers.push_back([]() -> std::optional<std::string> { raise(vberr::PathNotFound); });
    dialogs.answers.push_back([]() -> std::optional<std::string> { throw std::runtime_error("broken"); });
    std::string title = "kept";
    std::int32_t error = 0;
    EXPECT_EQ(dialogs.EnregistrerFichier("CSS", title, "", error), "");
    EXPECT_EQ(error, 76);
    EXPECT_EQ(dialogs.OuvrirFichier("CSS", title, "", error), "");
    EXPECT_EQ(error, vberr::InvalidCall);
    EXPECT_EQ(title, "kept");
}

TEST(FileDialogs, EmptyTitleKeepsTheLastTitleGivenByAnyCall) {
    ScriptedDialogs dialogs;
    for (int i = 0; i < 4; ++i) {
        dialogs.answers.push_back(cancels());
    }
    std::string title;
    std::int32_t error = 0;
    dialogs.OuvrirFichier("txt *", title, "", error);
    dialogs.OuvrirFichier("CSS", title, "Choose Style", error);
    dialogs.EnregistrerFichier("CSS", title, "", error);
    dialogs.OuvrirFichier("txt *", title, "Open a header File", error);
    ASSERT_EQ(dialogs.shown.size(), 4u);
    EXPECT_EQ(dialogs.shown[0].title, ""); // the dialog's own default title
    EXPECT_EQ(dialogs.shown[1].title, "Choose Style");
    EXPECT_EQ(dialogs.shown[2].title, "Choose Style");
    EXPECT_EQ(dialogs.shown[3].title, "Open a header File");
}

TEST(FileDialogs, BareNameIsTheLastPathComponent) {
    EXPECT_EQ(bareFileName("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(bareFileName("c.txt"), "c.txt");
    EXPECT_EQ(bareFileName("/a/b/"), "");
}

} // namespace
} // namespace quillon::platform
