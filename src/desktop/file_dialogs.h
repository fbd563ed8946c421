#pragma once
// The open and save dialogs the program picks files with. The rules every caller relies on
// live here, once: the filter of each kind of file with its first pair selected, the start
// in the folder last used for that kind (the program's folder the first time), an empty
// initial name, the title that stays from the last call that gave one, and the result
// triple of path, bare name and error code. A front end only supplies the dialog itself.

#include "desktop/dialog_filter.h"
#include "desktop/settings_store.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quillon::platform {

// The common dialogs' cancel error: what ErrorCode holds after the user cancelled.
inline constexpr std::int32_t CancelErrorCode = 32755;

// What the program asks the user for. Each kind has its own filter and its own remembered
// folder: the header and the footer are both plain text.
enum class FileKind { Source, Page, Text, StyleSheet, Project, SiteFolder };

// The extensions a kind lists ("frm;bas;cls;ctl;pag frm bas cls ctl pag txt *"), for
// buildDialogFilter.
std::string_view extensionsOf(FileKind kind);

// The settings key its folder is kept under, in section FolderSection.
std::string_view folderKeyOf(FileKind kind);
inline constexpr std::string_view FolderSection = "FOLDERS";

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
    // the file exists; the save dialog does not ask before replacing a file. A style sheet
    // saved under a name without an extension gets ".css"; no other name is changed.
    std::string OuvrirFichier(FileKind kind, std::string& fileTitle, std::string_view title,
                              std::int32_t& errorCode);
    std::string EnregistrerFichier(FileKind kind, std::string& fileTitle, std::string_view title,
                                   std::int32_t& errorCode);

    // The chosen folder's full path, by the same rules: the empty text and `errorCode` set
    // when the user cancelled or the dialog failed, 0 otherwise.
    std::string chooseFolder(FileKind kind, std::string_view title, std::int32_t& errorCode);

    // From now on the folder of every choice is also kept in `store`, and a dialog of a kind
    // not yet used in this session starts where the store says. `store` must outlive this.
    void keepFoldersIn(lang::SettingsStore& store);
    // The filter's words, asked for at each dialog so that a language chosen meanwhile is
    // used. Without it the words are English.
    void takeFilterWordsFrom(std::function<FilterWords()> words);

    const std::string& programFolder() const { return programFolder_; }

protected:
    // Shows the modal dialog. Returns the chosen full path, or nothing when the user
    // cancelled. A failure of the dialog itself is raised as a VbError.
    virtual std::optional<std::string> showFileDialog(const FileDialogRequest& request) = 0;

private:
    std::string show(FileDialogKind dialog, FileKind kind, std::string& fileTitle, std::string_view title,
                     std::int32_t& errorCode);
    std::string startFolder(FileKind kind) const;
    void remember(FileKind kind, const std::string& folder);

    std::string programFolder_;
    std::string dialogTitle_;
    std::map<FileKind, std::string> lastFolders_;
    lang::SettingsStore* store_ = nullptr;
    std::function<FilterWords()> words_;
};

// The last component of a path: what the dialogs report as the file's title.
std::string bareFileName(std::string_view path);

} // namespace quillon::platform
