#include "desktop/fakes/platform_fakes.h"

#include "base/vb_error.h"

#include <utility>

namespace quillon::test {

FakeFileDialogs::FakeFileDialogs(std::string programFolder) : FileDialogs(std::move(programFolder)) {}

void FakeFileDialogs::answerPath(std::string path) {
    answers_.push_back({std::move(path), 0});
}

void FakeFileDialogs::answerCancel() {
    answers_.push_back({std::nullopt, 0});
}

void FakeFileDialogs::answerError(int number) {
    answers_.push_back({std::nullopt, number});
}

std::optional<std::string> FakeFileDialogs::showFileDialog(const platform::FileDialogRequest& request) {
    requests.push_back(request);
    if (answers_.empty()) {
        return std::nullopt;
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.error != 0) {
        raise(answer.error);
    }
    return answer.path;
}

namespace {
// The next scripted answer; nothing (a cancel) when none is left.
template <typename T> std::optional<T> next(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) {
        return std::nullopt;
    }
    std::optional<T> answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}
} // namespace

void FakeColourDialog::answerColour(std::int32_t colour) {
    answers_.emplace_back(colour);
}

void FakeColourDialog::answerCancel() {
    answers_.emplace_back(std::nullopt);
}

std::int32_t FakeColourDialog::ChoisirCouleur(std::int32_t current) {
    calls.push_back(current);
    return next(answers_).value_or(current);
}

void FakeFontDialog::answerFont(platform::FontChoice choice) {
    answers_.emplace_back(std::move(choice));
}

void FakeFontDialog::answerCancel() {
    answers_.emplace_back(std::nullopt);
}

std::optional<platform::FontChoice> FakeFontDialog::ShowFont() {
    ++calls;
    return next(answers_);
}

void FakeMessageBoxes::showMessageBox(const platform::MessageBoxRequest& request) {
    shown.push_back(request);
}

std::int32_t FakeShell::ShellExecuteA(const platform::ShellRequest& request) {
    requests.push_back(request);
    if (results.empty()) {
        return result;
    }
    const std::int32_t next = results.front();
    results.pop_front();
    return next;
}

bool FakeDocumentOpener::OpenDocument(std::string_view target, std::int32_t showMode,
                                      std::string_view parameters, std::string_view folder,
                                      std::string_view operation, std::int32_t owner) {
    calls.push_back({std::string(target), showMode, std::string(parameters), std::string(folder),
                     std::string(operation), owner});
    return result;
}

} // namespace quillon::test
