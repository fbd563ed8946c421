#pragma once
// The open and save dialogs the program picks files with. The rules every caller relies on
// live here, once: the filter built from the extension list with its first pair selected,
// the start in the program's folder, an empty initial name, the title that stays from the
// last call that gave one, and the result triple of path, bare name and error code. A
// front end only supplies the dialog itself.

#include "desktop/dialog_filter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::platform {

// The common dialogs' cancel error: what ErrorCode holds after the user cancelled.
inline constexpr std::int32_t CancelErrorCode = 32755;

// What the dialog is shown with.
struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    std::string filter;  // "description|pattern|..." (buildDialogFilter)
    int filterIndex = 1; // 1-based: the first pair is selected
    std::string initialFolder;
    std::string title;    // empty: the dialog's own default title
    std::string fileName; // always empty: no name is proposed

    friend bool operator==(const FileDialogRequest&, const FileDialogRequest&) = default;
};

class FileDialogs {
public:
    explicit FileDialogs(std::string programFolder);
    virtual ~FileDialogs() = default;
    FileDialogs(const FileDialogs&) = delete;
    FileDialogs& operator=(const FileDialogs&) = delete;

    // The chosen file's full path; the empty text when the user cancelled or the dialog
    // failed. On success `fileTitle` receives the bare file name and `errorCode` 0; otherwise
    // `fileTitle` is left as it was and `errorCode` is the error's number (CancelErrorCode
    // for a cancel). Nothing is ever shown to the user about a failure. An empty `title`
    // keeps the title of the last call that gave one. The open dialog does not insist that
    // the file exists; the save dialog does not ask before replacing a file; no extension
    // is ever added to a typed name.
    std::string OuvrirFichier(std::string_view extensions, std::string& fileTitle, std::string_view title,
                              std::int32_t& errorCode);
    std::string EnregistrerFichier(std::string_view extensions, std::string& fileTitle,
                                   std::string_view title, std::int32_t& errorCode);

    // The chosen folder's full path, by the same rules: the empty text and `errorCode` set
    // when the user cancelled or the dialog failed, 0 otherwise.
    std::string chooseFolder(std::string_view title, std::int32_t& errorCode);

    const std::string& programFolder() const { return programFolder_; }

protected:
    // Shows the modal dialog. Returns the chosen full path, or nothing when the user
    // cancelled. A failure of the dialog itself is raised as a VbError.
    virtual std::optional<std::string> showFileDialog(const FileDialogRequest& request) = 0;

private:
    std::string show(FileDialogKind kind, std::string_view extensions, std::string& fileTitle,
                     std::string_view title, std::int32_t& errorCode);

    std::string programFolder_;
    std::string dialogTitle_;
};

// The last component of a path: what the dialogs report as the file's title.
std::string bareFileName(std::string_view path);

} // namespace quillon::platform
