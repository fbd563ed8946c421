#pragma once
// Stand-ins for the platform services: they answer from a script and remember every call,
// so window tests never show a dialog or start a program.

#include "base/vb_error.h"
#include "desktop/clipboard.h"
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

// The next scripted answer; a default one (a cancel) when none is left.
template <typename T> T nextAnswer(std::deque<T>& answers) {
    if (answers.empty()) {
        return T{};
    }
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

// The open and save dialogs. The dialog rules (filter, title kept between calls, starting
// folder, cancel code, bare name, added extension) are the real ones; only the user's
// answer is scripted.
class FakeFileDialogs final : public platform::FileDialogs {
public:
    explicit FakeFileDialogs(std::string programFolder = "/opt/quillon")
        : FileDialogs(std::move(programFolder)) {}

    // Answers for the next dialogs, in order. With none left a dialog is cancelled.
    void answerPath(std::string path) { answers_.push_back({std::move(path)}); }
    void answerCancel() { answers_.push_back({}); }
    // The dialog itself fails with error `number`.
    void answerError(int number) { answers_.push_back({std::nullopt, number}); }

    // Every dialog shown, as it was shown.
    std::vector<platform::FileDialogRequest> requests;

protected:
    std::optional<std::string> showFileDialog(const platform::FileDialogRequest& request) override {
        requests.push_back(request);
        const Answer answer = nextAnswer(answers_);
        if (answer.error != 0) {
            raise(answer.error);
        }
        return answer.path;
    }

private:
    struct Answer {
        std::optional<std::string> path;
        int error = 0;
    };
    std::deque<Answer> answers_;
};

// A dialog that opens on the current choice, answered from a script; with no answer left
// it is cancelled.
template <typename Choice> class ScriptedChoice {
public:
    void answer(Choice choice) { answers_.emplace_back(std::move(choice)); }
    void answerCancel() { answers_.emplace_back(std::nullopt); }

    // The current choice each call opened on.
    std::vector<Choice> openedOn;

protected:
    std::optional<Choice> next(const Choice& current) {
        openedOn.push_back(current);
        return nextAnswer(answers_);
    }

private:
    std::deque<std::optional<Choice>> answers_;
};

class FakeColourDialog final : public platform::ColourDialog, public ScriptedChoice<std::int32_t> {
public:
    std::int32_t ChoisirCouleur(std::int32_t current) override { return next(current).value_or(current); }
};

class FakeFontDialog final : public platform::FontDialog, public ScriptedChoice<platform::FontChoice> {
public:
    std::optional<platform::FontChoice> ShowFont(const platform::FontChoice& current) override {
        return next(current);
    }
};

// Records every box, with its title already resolved ("Quillon Free" when none was given).
class FakeMessageBoxes final : public platform::MessageBoxes {
public:
    std::vector<platform::MessageBoxRequest> shown;

protected:
    void showMessageBox(const platform::MessageBoxRequest& request) override { shown.push_back(request); }
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

    std::vector<Call> calls;

    bool OpenDocument(std::string_view target, std::int32_t showMode, std::string_view parameters,
                      std::string_view folder, std::string_view operation, std::int32_t owner) override {
        calls.push_back({std::string(target), showMode, std::string(parameters), std::string(folder),
                         std::string(operation), owner});
        return true;
    }
};

// Keeps every copy, the latest last.
class FakeClipboard final : public platform::Clipboard {
public:
    void put(const platform::ClipboardContent& content) override { copies.push_back(content); }

    std::vector<platform::ClipboardContent> copies;
};

} // namespace quillon::test
