// The rules of the dialogs, message boxes and document opening that every front end shares;
// the user's answers come from the fakes the window tests use.

#include "desktop/common_dialogs.h"
#include "desktop/dialog_filter.h"
#include "desktop/document_opener.h"
#include "desktop/fakes/platform_fakes.h"
#include "desktop/file_dialogs.h"
#include "desktop/message_boxes.h"

#include "base/vb_error.h"
#include "desktop/settings_store.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <clocale>
#include <deque>
#include <filesystem>
#include <functional>
#include <limits>
#include <stdexcept>

namespace quillon::platform {
namespace {

constexpr auto Open = FileDialogKind::Open;
constexpr auto Save = FileDialogKind::Save;

TEST(DialogFilter, EachItemGetsItsPairWithItsPatternsInTheDescription) {
    const FilterWords french{"Sources VB6", "Fichiers %1", "Tous les fichiers"};
    const struct {
        std::string_view extensions;
        FilterWords words;
        const char* filter;
    } cases[] = {
        {extensionsOf(FileKind::Source),
         {},
         "VB6 sources (*.frm;*.bas;*.cls;*.ctl;*.pag)|*.FRM;*.BAS;*.CLS;*.CTL;*.PAG|FRM Files (*.frm)|*.FRM|"
         "BAS Files (*.bas)|*.BAS|CLS Files (*.cls)|*.CLS|CTL Files (*.ctl)|*.CTL|PAG Files (*.pag)|*.PAG|"
         "TXT Files (*.txt)|*.TXT|All files (*.*)|*.*"},
        {"css", french, "Fichiers CSS (*.css)|*.CSS"},
        {"HTML  HTM ", french, "Fichiers HTML (*.html)|*.HTML|Fichiers HTM (*.htm)|*.HTM"},
        {"", french, "Tous les fichiers (*.*)|*.*"},
        // A translation that forgot the place of the extension still names it.
        {"txt", {"", "Texte", ""}, "Texte TXT (*.txt)|*.TXT"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(buildDialogFilter(c.extensions, c.words), c.filter) << '"' << c.extensions << '"';
    }
}

TEST(FileDialogs, ChoiceCancelAndFailureGiveTheResultTripleAndAnEmptyTitleKeepsTheLastOne) {
    test::FakeFileDialogs dialogs;
    dialogs.answerPath("/home/ann/My Projects/Form1.frm");
    dialogs.answerCancel();
    dialogs.answerError(vberr::PathNotFound);
    std::string title = "old";
    std::int32_t error = -1;
    EXPECT_EQ(dialogs.OuvrirFichier(FileKind::Text, title, "Open a VB File", error),
              "/home/ann/My Projects/Form1.frm");
    EXPECT_EQ(title, "Form1.frm");
    EXPECT_EQ(error, 0);
    EXPECT_EQ(dialogs.requests.at(0),
              (FileDialogRequest{Open, buildDialogFilter("txt *"), 1, "/opt/quillon", "Open a VB File", ""}));
    title = "kept";
    EXPECT_EQ(dialogs.OuvrirFichier(FileKind::StyleSheet, title, "", error), "");
    EXPECT_EQ(error, 32755);
    EXPECT_EQ(dialogs.EnregistrerFichier(FileKind::StyleSheet, title, "", error), "");
    EXPECT_EQ(error, 76);
    EXPECT_EQ(dialogs.requests.at(2).kind, Save);
    EXPECT_EQ(dialogs.requests.at(2).title, "Open a VB File");
    EXPECT_EQ(title, "kept");
}

// Each kind comes back to its own last folder, this session or the next; a folder that has
// gone since starts in the program's folder again.
TEST(FileDialogs, EachKindStartsInItsLastFolderAndTheStoreKeepsItForTheNextRun) {
    test::ScratchDir scratch;
    const std::string sources = (scratch / "sources").string();
    const std::string sheets = (scratch / "sheets").string();
    std::filesystem::create_directories(sources);
    std::filesystem::create_directories(sheets);
    lang::MemorySettingsStore store;
    std::string title;
    std::int32_t error = 0;
    {
        test::FakeFileDialogs dialogs;
        dialogs.keepFoldersIn(store);
        dialogs.answerPath(sources + "/Form1.frm");
        dialogs.answerPath(sheets + "/mystyle");
        dialogs.answerPath(sheets + "/my.style");
        dialogs.answerPath(sources);
        EXPECT_EQ(dialogs.OuvrirFichier(FileKind::Source, title, "", error), sources + "/Form1.frm");
        // A style sheet saved without an extension gets one; the name reported is the one written.
        EXPECT_EQ(dialogs.EnregistrerFichier(FileKind::StyleSheet, title, "", error),
                  sheets + "/mystyle.css");
        EXPECT_EQ(title, "mystyle.css");
        EXPECT_EQ(dialogs.EnregistrerFichier(FileKind::StyleSheet, title, "", error), sheets + "/my.style");
        EXPECT_EQ(dialogs.chooseFolder(FileKind::SiteFolder, "", error), sources);
        dialogs.OuvrirFichier(FileKind::Source, title, "", error);
        dialogs.OuvrirFichier(FileKind::Page, title, "", error);
        std::vector<std::string> folders;
        for (const FileDialogRequest& request : dialogs.requests) {
            folders.push_back(request.initialFolder);
        }
        EXPECT_EQ(folders, (std::vector<std::string>{"/opt/quillon", "/opt/quillon", sheets, "/opt/quillon",
                                                     sources, "/opt/quillon"}));
    }
    test::FakeFileDialogs nextRun;
    nextRun.keepFoldersIn(store);
    std::filesystem::remove_all(sources);
    nextRun.OuvrirFichier(FileKind::StyleSheet, title, "", error);
    nextRun.OuvrirFichier(FileKind::Source, title, "", error);
    EXPECT_EQ(nextRun.requests.at(0).initialFolder, sheets);
    EXPECT_EQ(nextRun.requests.at(1).initialFolder, "/opt/quillon");
    // The words come from whoever speaks the window's language, at each dialog.
    nextRun.takeFilterWordsFrom([] {
        return FilterWords{"Sources VB6", "Fichiers %1", "Tous les fichiers"};
    });
    nextRun.OuvrirFichier(FileKind::StyleSheet, title, "", error);
    EXPECT_EQ(nextRun.requests.at(2).filter, "Fichiers CSS (*.css)|*.CSS");
}

TEST(FontSizeText, ShortestDecimalWithAPointInAnyLocaleAndZeroForNonsense) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    // A comma locale must not leak into a size that ends up in CSS.
    std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    EXPECT_EQ(fontSizeText(8.25f), "8.25");
    EXPECT_EQ(fontSizeText(0.1f), "0.1");
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(fontSizeText(-3.0), "0");
    EXPECT_EQ(fontSizeText(std::numeric_limits<double>::quiet_NaN()), "0");
}

class FailingBoxes final : public MessageBoxes {
protected:
    void showMessageBox(const MessageBoxRequest&) override { throw std::runtime_error("no display"); }
};

TEST(MessageBoxErrorReporter, TrappedErrorsReachTheStandardBoxAndTheCallerGoesOn) {
    test::FakeMessageBoxes boxes;
    MessageBoxErrorReporter reporter(boxes);
    const int result =
        trap(reporter, "BTgo_Click", []() -> int { raise(vberr::PathNotFound, "/nowhere/x.html"); });
    trap(reporter, "SaveCoulorInFile", [] { throw std::bad_alloc(); });
    // A box that cannot be shown does not escape the trap.
    FailingBoxes failing;
    MessageBoxErrorReporter failingReporter(failing);
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(trap(failingReporter, "Cparti", [] { raise(vberr::FileNotFound); }));
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0], (MessageBoxRequest{"Path not found: /nowhere/x.html", MessageIcon::Critical,
                                                 "ERREUR n\u00B076 in BTgo_Click"}));
    EXPECT_EQ(boxes.shown[1].title, "ERREUR n\u00B07 in SaveCoulorInFile");
    EXPECT_NE(written.find("ERREUR n\u00B053 in Cparti: File not found"), std::string::npos) << written;
}

// A shell that answers each call as the test says.
class ScriptedShell final : public Shell {
public:
    std::function<std::int32_t()> answer;
    std::vector<ShellRequest> requests;
    std::int32_t ShellExecuteA(const ShellRequest& request) override {
        requests.push_back(request);
        return answer();
    }
};

TEST(OpenDocument, FailuresAreShownAsErrorNumberCarriageReturnText) {
    std::deque<std::int32_t> results = {shellresult::Accepted, shellresult::FileNotFound,
                                        shellresult::NoAssociation, shellresult::DdeBusy, 7};
    ScriptedShell shell;
    shell.answer = [&] {
        const std::int32_t result = results.front();
        results.pop_front();
        return result;
    };
    test::FakeMessageBoxes boxes;
    ShellDocumentOpener opener(shell, boxes);
    EXPECT_TRUE(opener.OpenDocument("notepad", ShowDefault, "/opt/quillon/header.txt", "", "open", 0));
    EXPECT_TRUE(boxes.shown.empty());
    for (int failure = 0; failure < 4; ++failure) {
        EXPECT_FALSE(opener.OpenDocument("/tmp/a.xyz", ShowDefault, "", "", "open", 0));
    }
    // Parameters keep the caller's show mode; a document alone opens in a normal window, a
    // program with parameters hidden.
    EXPECT_EQ(shell.requests.at(0),
              (ShellRequest{0, "open", "notepad", "/opt/quillon/header.txt", "", ShowDefault}));
    EXPECT_EQ(shell.requests.at(1).showMode, ShowNormal);
    EXPECT_EQ(shellRequestFor("C:\\Tools\\Conv.exe", ShowDefault, "-q", "", "open", 0).showMode, ShowHidden);
    // A shell that throws is reported with its own error, not as out of memory.
    shell.answer = []() -> std::int32_t { raise(vberr::PathFileAccess, "/tmp/x"); };
    EXPECT_FALSE(opener.OpenDocument("/tmp/x", ShowDefault, "", "", "open", 0));
    shell.answer = []() -> std::int32_t { throw std::logic_error("?"); };
    EXPECT_FALSE(opener.OpenDocument("/tmp/x", ShowDefault, "", "", "open", 0));
    const std::string other = "An error occurred occurred whilst trying to open or print the selected file.";
    std::vector<std::string> texts;
    for (const MessageBoxRequest& box : boxes.shown) {
        EXPECT_EQ(box.title, "Quillon Free");
        texts.push_back(box.text);
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{
                  "Error n\u00B053\rFile not found",
                  "\"/tmp/a.xyz\" could not be opened: no program on this system is set to open this type of "
                  "file.",
                  "Error n\u00B0285\rThe file could not be opened because the target application is busy.  "
                  "Please try again in a moment.",
                  "Error n\u00B0-2147220449\r" + other, "Error n\u00B075\rPath/File access error: /tmp/x",
                  "Error n\u00B0-2147220455\r" + other}));
}

} // namespace
} // namespace quillon::platform
