#pragma once
// The open and save dialogs on QFileDialog.

#include "desktop/file_dialogs.h"
#include "desktop/qt/modal_runner.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <string_view>

namespace quillon::platform {

// The program's folder: where the executable lies, without a trailing separator.
std::string applicationFolder();

// A filter text ("TXT Files (*.txt)|*.TXT|All files (*.*)|*.*") as QFileDialog name
// filters, one per pair.
// The patterns also match lower-case names, since Linux file names are case-sensitive and
// the patterns come upper-case; "*.*" becomes "*" so names without a dot are listed too.
QStringList toQtNameFilters(std::string_view filter);

class QtFileDialogs final : public FileDialogs, public ModalRunner {
public:
    explicit QtFileDialogs(QWidget* parent = nullptr, std::string folder = applicationFolder());

protected:
    std::optional<std::string> showFileDialog(const FileDialogRequest& request) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace quillon::platform
