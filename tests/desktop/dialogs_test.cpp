// The rules of the dialogs, message boxes and document opening that every front end shares;
// the user's answers come from the fakes the window tests use.

#include "desktop/common_dialogs.h"
#include "desktop/dialog_filter.h"
#include "desktop/document_opener.h"
#include "desktop/fakes/platform_fakes.h"
#include "desktop/file_dialogs.h"
#include "desktop/message_boxes.h"

#include "base/vb_error.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <stdexcept>

namespace quillon::platform {
namespace {

constexpr auto Open = FileDialogKind::Open;
constexpr auto Save = FileDialogKind::Save;

TEST(DialogFilter, IsBuiltByTheFixedRules) {
    struct Case {
        const char* extensions;
        FileDialogKind kind;
        const char* filter;
    };
    const Case cases[] = {
        // The lists the program passes.
        {"frm bas cls ctl pag txt *", Open,
         "FRM Files |*.FRM|BAS Files |*.BAS|CLS Files |*.CLS|CTL Files |*.CTL|PAG Files |*.PAG|"
         "TXT Files |*.TXT|* Files|*.*"},
        {"txt *", Open, "TXT Files |*.TXT|* Files|*.*"},
        {"CSS", Open, "Fichiers CSS|*.CSS"},
        {"CSS", Save, "Fichiers CSS|*.CSS"},
        {"HTML HTM", Save, "Fichiers HTML|*.HTML|Fichiers HTM|*.HTM"},
        // The same lists in the other dialog.
        {"HTML HTM", Open, "HTML Files |*.HTML|HTM Files|*.HTM"},
        {"txt *", Save, "Fichiers TXT|*.TXT|Fichiers *|*.*"},
        // Upper case whatever the input.
        {"Frm bAs", Open, "FRM Files |*.FRM|BAS Files|*.BAS"},
        {"*", Open, "Fichiers *|*.*"},
        // Empty list: all files, in the dialog's language.
        {"", Open, "ALL FILES (*.*)|*.*"},
        {"", Save, "Tous les fichiers (*.*)|*.*"},
        // Two blanks in a row give an empty item.
        {"txt  css", Open, "TXT Files |*.TXT| Files |*.|CSS Files|*.CSS"},
        // A trailing blank gives an empty last item; a leading one an empty first item.
        {"txt ", Open, "TXT Files |*.TXT| Files|*."},
        {" txt", Open, " Files |*.|TXT Files|*.TXT"},
        // A blank alone is a list of two empty items.
        {" ", Open, " Files |*.| Files|*."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(buildDialogFilter(c.extensions, c.kind), c.filter)
            << '"' << c.extensions << "\" " << (c.kind == Open ? "open" : "save");
    }
}

TEST(DialogFilter, SplitsIntoPairsKeepingEmptyParts) {
    EXPECT_EQ(splitDialogFilter("TXT Files |*.TXT| Files|*."),
              (std::vector<FilterPair>{{"TXT Files ", "*.TXT"}, {" Files", "*."}}));
    EXPECT_EQ(splitDialogFilter("|*.|x|"), (std::vector<FilterPair>{{"", "*."}, {"x", ""}}));
    EXPECT_EQ(splitDialogFilter("Alone"), (std::vector<FilterPair>{{"Alone", ""}}));
    EXPECT_TRUE(splitDialogFilter("").empty());
}

class BrokenDialogs final : public FileDialogs {
public:
    BrokenDialogs() : FileDialogs("/opt/quillon") {}

protected:
    std::optional<std::string> showFileDialog(const FileDialogRequest&) override {
        throw std::runtime_error("broken");
    }
};

TEST(FileDialogs, ChoiceCancelAndFailureGiveTheResultTriple) {
    test::FakeFileDialogs dialogs;
    dialogs.answerPath("/home/ann/My Projects/Form1.frm");
    dialogs.answerCancel();
    dialogs.answerError(vberr::PathNotFound);
    std::string title = "old";
    std::int32_t error = -1;
    EXPECT_EQ(dialogs.OuvrirFichier("frm bas cls ctl pag txt *", title, "Open a VB File", error),
              "/home/ann/My Projects/Form1.frm");
    EXPECT_EQ(title, "Form1.frm");
    EXPECT_EQ(error, 0);
    EXPECT_EQ(dialogs.requests.at(0),
              (FileDialogRequest{Open, buildDialogFilter("frm bas cls ctl pag txt *", Open), 1,
                                 "/opt/quillon", "Open a VB File", ""}));

    title = "kept";
    EXPECT_EQ(dialogs.OuvrirFichier("CSS", title, "Choose a CSS", error), "");
    EXPECT_EQ(error, 32755);
    EXPECT_EQ(dialogs.EnregistrerFichier("CSS", title, "", error), "");
    EXPECT_EQ(error, 76);
    EXPECT_EQ(dialogs.requests.at(2).kind, Save);
    BrokenDialogs broken;
    EXPECT_EQ(broken.OuvrirFichier("CSS", title, "", error), "");
    EXPECT_EQ(error, vberr::InvalidCall);
    EXPECT_EQ(title, "kept");

    EXPECT_EQ(bareFileName("c.txt"), "c.txt");
    EXPECT_EQ(bareFileName("/a/b/"), "");
}

TEST(FileDialogs, EmptyTitleKeepsTheLastTitleGivenByAnyCall) {
    test::FakeFileDialogs dialogs;
    std::string title;
    std::int32_t error = 0;
    dialogs.OuvrirFichier("txt *", title, "", error);
    dialogs.OuvrirFichier("CSS", title, "Choose Style", error);
    dialogs.EnregistrerFichier("CSS", title, "", error);
    dialogs.OuvrirFichier("txt *", title, "Open a header File", error);
    ASSERT_EQ(dialogs.requests.size(), 4u);
    EXPECT_EQ(dialogs.requests[0].title, ""); // the dialog's own default title
    EXPECT_EQ(dialogs.requests[1].title, "Choose Style");
    EXPECT_EQ(dialogs.requests[2].title, "Choose Style");
    EXPECT_EQ(dialogs.requests[3].title, "Open a header File");
}

TEST(FontSizeText, ShortestDecimalWithAPointInAnyLocaleAndZeroForNonsense) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    // A comma locale must not leak into a size that ends up in CSS.
    std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    EXPECT_EQ(fontSizeText(10), "10");
    EXPECT_EQ(fontSizeText(8.25), "8.25");
    EXPECT_EQ(fontSizeText(8.25f), "8.25");
    EXPECT_EQ(fontSizeText(0.1f), "0.1");
    std::setlocale(LC_NUMERIC, saved.c_str());
    for (double nonsense :
         {0.0, -3.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(fontSizeText(nonsense), "0") << nonsense;
    }
}

class FailingBoxes final : public MessageBoxes {
protected:
    void showMessageBox(const MessageBoxRequest&) override { throw std::runtime_error("no display"); }
};

TEST(MessageBoxes, BoxesWithoutTitleShowTheApplicationTitle) {
    test::FakeMessageBoxes boxes;
    boxes.showRefusal("You must choose a HTML File before !");
    boxes.showInformation("Translate this file \r\n\r\n/opt/quillon/English.lng", "");
    boxes.MsgBox("plain", MessageIcon::None, "Own title");
    EXPECT_EQ(boxes.shown,
              (std::vector<MessageBoxRequest>{
                  {"You must choose a HTML File before !", MessageIcon::Critical, "Quillon Free"},
                  {"Translate this file \r\n\r\n/opt/quillon/English.lng", MessageIcon::Information,
                   "Quillon Free"},
                  {"plain", MessageIcon::None, "Own title"}}));
    EXPECT_EQ(static_cast<int>(MessageIcon::Critical), 16);
    EXPECT_EQ(static_cast<int>(MessageIcon::Information), 64);
}

TEST(MessageBoxErrorReporter, TrappedErrorsReachTheStandardBoxAndTheCallerGoesOn) {
    test::FakeMessageBoxes boxes;
    MessageBoxErrorReporter reporter(boxes);
    setErrorReporter(&reporter);
    const int result = trap("BTgo_Click", []() -> int { raise(vberr::PathNotFound, "/nowhere/x.html"); });
    trap("SaveCoulorInFile", [] { throw std::bad_alloc(); });

    // A box that cannot be shown does not escape the trap.
    FailingBoxes failing;
    MessageBoxErrorReporter failingReporter(failing);
    setErrorReporter(&failingReporter);
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(trap("Cparti", [] { raise(vberr::FileNotFound); }));
    const std::string written = testing::internal::GetCapturedStderr();
    setErrorReporter(nullptr);

    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0], (MessageBoxRequest{"Path not found: /nowhere/x.html", MessageIcon::Critical,
                                                 "ERREUR n\u00B076 in BTgo_Click"}));
    EXPECT_EQ(boxes.shown[1].title, "ERREUR n\u00B07 in SaveCoulorInFile");
    EXPECT_NE(written.find("ERREUR n\u00B053 in Cparti: File not found"), std::string::npos) << written;
}

TEST(ShellRequestFor, ShowModeFollowsTheTargetAndItsArguments) {
    // A document alone opens in a normal window; parameters or a folder keep the caller's mode.
    EXPECT_EQ(shellRequestFor("/tmp/page.html", ShowDefault, "", "", "open", 0),
              (ShellRequest{0, "open", "/tmp/page.html", "", "", ShowNormal}));
    EXPECT_EQ(shellRequestFor("notepad", ShowDefault, "/tmp/header.txt", "", "open", 0),
              (ShellRequest{0, "open", "notepad", "/tmp/header.txt", "", ShowDefault}));
    EXPECT_EQ(shellRequestFor("tool", ShowDefault, "", "/tmp", "open", 7),
              (ShellRequest{7, "open", "tool", "", "/tmp", ShowDefault}));
    // A program is hidden only in the form with parameters or folder.
    EXPECT_EQ(shellRequestFor("C:\\Tools\\Conv.exe", ShowDefault, "-q", "", "open", 0).showMode, ShowHidden);
    EXPECT_EQ(shellRequestFor("conv.EXE", ShowDefault, "", "/tmp", "open", 0).showMode, ShowHidden);
    EXPECT_EQ(shellRequestFor("my.executables/list", ShowDefault, "x", "", "open", 0).showMode, ShowHidden);
    EXPECT_EQ(shellRequestFor("C:\\Tools\\Conv.exe", ShowDefault, "", "", "open", 0).showMode, ShowNormal);
    EXPECT_EQ(shellRequestFor("notepad", ShowDefault, "a.ex", "", "open", 0).showMode, ShowDefault);
}

constexpr const char* OtherText =
    "An error occurred occurred whilst trying to open or print the selected file.";

TEST(ShellFailure, EveryShellResultMapsToItsRow) {
    struct Row {
        std::int32_t result;
        std::int32_t number;
        const char* text;
    };
    const Row rows[] = {
        {0, 7, "Out of memory"},
        {2, 53, "File not found"},
        {3, 76, "Path not found"},
        {5, 75, "Path/file access error"},
        {8, 7, "Out of memory"},
        {11, -2147220445, "The executable file is invalid or corrupt"},
        {26, 75, "A sharing violation occurred."},
        {27, -2147220429, "This file type does not have a valid file association."},
        {28, 286, "The file could not be opened due to time out.  Please try again in a moment."},
        {29, 285,
         "The file could not be opened because the DDE transaction failed.  Please try again in a moment."},
        {30, 285,
         "The file could not be opened because the target application is busy.  Please try again in a "
         "moment."},
        {31, -2147220425, "No application is associated with this file type."},
        {32, 48, "The specified dynamic-link library was not found."},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(shellFailure(row.result), (ShellFailure{row.number, row.text})) << row.result;
    }
    for (std::int32_t other : {1, 4, 6, 7, 9, 10, 12, 13, 20, 25}) {
        EXPECT_EQ(shellFailure(other), (ShellFailure{other - 2147220456, OtherText})) << other;
    }
    for (std::int32_t accepted : {33, 42, 100000, -1, -2147483647 - 1}) {
        EXPECT_FALSE(shellFailure(accepted)) << accepted;
    }
}

class ThrowingShell final : public Shell {
public:
    bool vbError = true;
    std::int32_t ShellExecuteA(const ShellRequest&) override {
        if (vbError) {
            raise(vberr::PathFileAccess, "/tmp/x");
        }
        throw std::logic_error("?");
    }
};

TEST(OpenDocument, FailuresAreShownAsErrorNumberCarriageReturnText) {
    test::FakeShell shell;
    shell.results = {shellresult::Accepted, shellresult::FileNotFound, shellresult::NoAssociation};
    test::FakeMessageBoxes boxes;
    ShellDocumentOpener opener(shell, boxes);
    EXPECT_TRUE(opener.OpenDocument("notepad", ShowDefault, "/opt/quillon/header.txt", "", "open", 0));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(opener.OpenDocument("/tmp/not yet written.html", ShowDefault, "", "", "open", 0));
    EXPECT_FALSE(opener.OpenDocument("/tmp/a.xyz", ShowDefault, "", "", "open", 0));
    EXPECT_EQ(shell.requests,
              (std::vector<ShellRequest>{{0, "open", "notepad", "/opt/quillon/header.txt", "", ShowDefault},
                                         {0, "open", "/tmp/not yet written.html", "", "", ShowNormal},
                                         {0, "open", "/tmp/a.xyz", "", "", ShowNormal}}));
    // A shell that throws is reported with its own error, not as out of memory.
    ThrowingShell throwing;
    ShellDocumentOpener throwingOpener(throwing, boxes);
    EXPECT_FALSE(throwingOpener.OpenDocument("/tmp/x", ShowDefault, "", "", "open", 0));
    throwing.vbError = false;
    EXPECT_FALSE(throwingOpener.OpenDocument("/tmp/x", ShowDefault, "", "", "open", 0));

    ASSERT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.shown[0],
              (MessageBoxRequest{"Error n\u00B053\rFile not found", MessageIcon::Critical, "Quillon Free"}));
    EXPECT_EQ(boxes.shown[1].text,
              "Error n\u00B0-2147220425\rNo application is associated with this file type.");
    EXPECT_EQ(boxes.shown[2].text, "Error n\u00B075\rPath/File access error: /tmp/x");
    EXPECT_EQ(boxes.shown[3].text, std::string("Error n\u00B0-2147220455\r") + OtherText);
}

} // namespace
} // namespace quillon::platform
