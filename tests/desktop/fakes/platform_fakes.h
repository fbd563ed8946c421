#pragma once
// Stand-ins for the platform services: they answer from a script and remember every call,
// so window tests never show a dialog or start a program.

#include "desktop/common_dialogs.h"
#include "desktop/document_opener.h"
#include "desktop/file_dialogs.h"
#include "desktop/message_boxes.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace quillon::test {

// The open and save dialogs. The dialog rules (filter, title kept between calls, program
// folder, cancel code, bare name) are the real ones; only the user's answer is scripted.
class FakeFileDialogs final : public platform::FileDialogs {
public:
    explicit FakeFileDialogs(std::string programFolder = "/opt/quillon");

    // Answers for the next dialogs, in order. With none left a dialog is cancelled.
    void answerPath(std::string path);
    void answerCancel();
    void answerError(int number);

    // Every dialog shown, as it was shown.
    std::vector<platform::FileDialogRequest> requests;

protected:
    std::optional<std::string> showFileDialog(const platform::FileDialogRequest& request) override;

private:
    struct Answer {
        std::optional<std::string> path;
        int error = 0;
    };
    std::deque<Answer> answers_;
};

class FakeColourDialog final : public platform::ColourDialog {
public:
    // With no answer left the dialog is cancelled.
    void answerColour(std::int32_t colour);
    void answerCancel();

    std::int32_t ChoisirCouleur(std::int32_t current) override;

    // The `current` passed to each call.
    std::vector<std::int32_t> calls;

private:
    std::deque<std::optional<std::int32_t>> answers_;
};

class FakeFontDialog final : public platform::FontDialog {
public:
    // With no answer left the dialog is cancelled.
    void answerFont(platform::FontChoice choice);
    void answerCancel();

    std::optional<platform::FontChoice> ShowFont() override;

    int calls = 0;

private:
    std::deque<std::optional<platform::FontChoice>> answers_;
};

// Records every box, with its title already resolved ("Quillon Free" when none was given).
class FakeMessageBoxes final : public platform::MessageBoxes {
public:
    std::vector<platform::MessageBoxRequest> shown;

protected:
    void showMessageBox(const platform::MessageBoxRequest& request) override;
};

// The shell under the real document opener: records each call exactly as it was made.
class FakeShell final : public platform::Shell {
public:
    // Results for the next calls, in order; after them `result` is returned.
    std::deque<std::int32_t> results;
    std::int32_t result = platform::shellresult::Accepted;

    std::vector<platform::ShellRequest> requests;

    std::int32_t ShellExecuteA(const platform::ShellRequest& request) override;
};

// Replaces the whole opener, for tests that only care what was asked to open.
class FakeDocumentOpener final : public platform::DocumentOpener {
public:
    struct Call {
        std::string target;
        std::int32_t showMode = 0;
        std::string parameters;
        std::string folder;
        std::string operation;
        std::int32_t owner = 0;

        friend bool operator==(const Call&, const Call&) = default;
    };

    bool result = true;
    std::vector<Call> calls;

    bool OpenDocument(std::string_view target, std::int32_t showMode, std::string_view parameters,
                      std::string_view folder, std::string_view operation, std::int32_t owner) override;
};

} // namespace quillon::test
