#pragma once
// Every modal dialog of the platform layer is run through here, so a test can answer it
// without an event loop and without ever blocking.

#include <QDialog>

#include <functional>

namespace quillon::platform {

class ModalRunner {
public:
    // Runs the configured dialog and returns QDialog::Accepted or QDialog::Rejected.
    using Runner = std::function<int(QDialog& dialog)>;

    // An empty runner restores the real one, QDialog::exec().
    void setDialogRunner(Runner runner) { runner_ = std::move(runner); }

protected:
    ModalRunner() = default;
    ~ModalRunner() = default;
    int runDialog(QDialog& dialog) const;

private:
    Runner runner_;
};

} // namespace quillon::platform
