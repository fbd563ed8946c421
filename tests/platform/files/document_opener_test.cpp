#include "platform/files/document_opener.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace quillon::platform {
namespace {

TEST(ShellRequestFor, DocumentWithoutParametersOrFolderUsesNormalWindowAndEmptyTexts) {
    EXPECT_EQ(shellRequestFor("/tmp/page.html", ShowDefault, "", "", "open", 0),
              (ShellRequest{0, "open", "/tmp/page.html", "", "", ShowNormal}));
}

TEST(ShellRequestFor, ParametersOrFolderKeepTheCallersShowMode) {
    EXPECT_EQ(shellRequestFor("notepad", ShowDefault, "/tmp/header.txt", "", "open", 0),
              (ShellRequest{0, "open", "notepad", "/tmp/header.txt", "", ShowDefault}));
    EXPECT_EQ(shellRequestFor("tool", ShowDefault, "", "/tmp", "open", 7),
              (ShellRequest{7, "open", "tool", "", "/tmp", ShowDefault}));
}

TEST(ShellRequestFor, ExeTargetIsHiddenOnlyInTheFormWithParameters) {
    EXPECT_EQ(shellRequestFor("C:\\Tools\\Conv.exe", ShowDefault, "-q", "", "open", 0).showMode, ShowHidden);
    EXPECT_EQ(shellRequestFor("conv.EXE", ShowDefault, "", "/tmp", "open", 0).showMode, ShowHidden);
    EXPECT_EQ(shellRequestFor("my.executables/list", ShowDefault, "x", "", "open", 0).showMode, ShowHidden);
    EXPECT_EQ(shellRequestFor("C:\\Tools\\Conv.exe", ShowDefault, "", "", "open", 0).showMode, ShowNormal);
    EXPECT_EQ(shellRequestFor("notepad", ShowDefault, "a.ex", "", "open", 0).showMode, ShowDefault);
}

struct FailureRow {
    std::int32_t result;
    std::int32_t number;
    const char* text;
};

constexpr const char* OtherText =
    "An error occurred occurred whilst trying to open or print the selected file.";

TEST(ShellFailure, EveryShellResultMapsToItsRow) {
    const FailureRow rows[] = {
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
    for (const FailureRow& row : rows) {
        const std::optional<ShellFailure> failure = shellFailure(row.result);
        ASSERT_TRUE(failure) << row.result;
        EXPECT_EQ(failure->number, row.number) << row.result;
        EXPECT_EQ(failure->text, row.text) << row.result;
    }
    for (std::int32_t other : {1, 4, 6, 7, 9, 10, 12, 13, 20, 25}) {
        const std::optional<ShellFailure> failure = shellFailure(other);
        ASSERT_TRUE(failure) << other;
        EXPECT_EQ(failure->number, other - 2147220456) << other;
        EXPECT_EQ(failure->text, OtherText) << other;
    }
}

TEST(ShellFailure, ResultsOutsideZeroToThirtyTwoAreAccepted) {
    for (std::int32_t accepted : {33, 42, 100000, -1, -2147483647 - 1}) {
        EXPECT_FALSE(shellFailure(accepted)) << accepted;
    }
}

TEST(ShellFailure, MessageIsNumberCarriageReturnText) {
    EXPECT_EQ(shellFailureMessage(53, "File not found"), "Error n\u00B053\rFile not found");
    EXPECT_EQ(shellFailureMessage(-2147220425, "No application is associated with this file type."),
              "Error n\u00B0-2147220425\rNo application is associated with this file type.");
}

class ScriptedShell final : public Shell {
public:
    std::function<std::int32_t()> answer = [] { return shellresult::Accepted; };
    std::vector<ShellRequest> requests;
    std::int32_t ShellExecuteA(const ShellRequest& request) override {
        requests.push_back(request);
        return answer();
    }
};

class RecordingBoxes final : public MessageBoxes {
public:
    std::vector<MessageBoxRequest> shown;

protected:
    void showMessageBox(const MessageBoxRequest& request) override { shown.push_back(request); }
};

TEST(OpenDocument, AcceptedRequestReturnsTrueSilently) {
    ScriptedShell shell;
    RecordingBoxes boxes;
    ShellDocumentOpener opener(shell, boxes);
    EXPECT_TRUE(opener.OpenDocument("notepad", ShowDefault, "/opt/quillon/header.txt", "", "open", 0));
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0],
              (ShellRequest{0, "open", "notepad", "/opt/quillon/header.txt", "", ShowDefault}));
}

TEST(OpenDocument, MissingDocumentIsReportedAsFileNotFound) {
    ScriptedShell shell;
    shell.answer = [] { return shellresult::FileNotFound; };
    RecordingBoxes boxes;
    ShellDocumentOpener opener(shell, boxes);
    EXPECT_FALSE(opener.OpenDocument("/tmp/not yet written.html", ShowDefault, "", "", "open", 0));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0],
              (MessageBoxRequest{"Error n\u00B053\rFile not found", MessageIcon::Critical, "Quillon Free"}));
    EXPECT_EQ(shell.requests.at(0).showMode, ShowNormal);
}

TEST(OpenDocument, NoAssociationGivesTheApplicationErrorNumber) {
    ScriptedShell shell;
    shell.answer = [] { return shellresult::NoAssociation; };
    RecordingBoxes boxes;
    ShellDocumentOpener opener(shell, boxes);
    EXPECT_FALSE(opener.OpenDocument("/tmp/a.xyz", ShowDefault, "", "", "open", 0));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Error n\u00B0-2147220425\rNo application is associated with this file type.");
}

TEST(OpenDocument, AShellThatThrowsIsReportedWithItsOwnErrorNotAsOutOfMemory) {
    ScriptedShell shell;
    shell.answer = []() -> std::int32_t { raise(vberr::PathFileAccess, "/tmp/x"); };
    RecordingBoxes boxes;
    ShellDocumentOpener opener(shell, boxes);
    EXPECT_FALSE(opener.OpenDocument("/tmp/x", ShowDefault, "", "", "open", 0));
    shell.answer = []() -> std::int32_t { throw std::logic_error("?"); };
    EXPECT_FALSE(opener.OpenDocument("/tmp/x", ShowDefault, "", "", "open", 0));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, "Error n\u00B075\rPath/File access error: /tmp/x");
    EXPECT_EQ(boxes.shown[1].text, std::string("Error n\u00B0-2147220455\r") + OtherText);
}

} // namespace
} // namespace quillon::platform
