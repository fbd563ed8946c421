#include "desktop/file_dialogs.h"

#include "base/vb_error.h"

#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

namespace quillon::platform {

namespace {

struct KindTraits {
    std::string_view extensions;
    std::string_view folderKey;
    // Given to a saved name that has none.
    std::string_view addedExtension;
};

KindTraits traitsOf(FileKind kind) {
    switch (kind) {
    case FileKind::Source:
        return {"frm;bas;cls;ctl;pag frm bas cls ctl pag txt *", "Source", ""};
    case FileKind::Page:
        return {"HTML HTM", "Page", ""};
    case FileKind::Text:
        return {"txt *", "Text", ""};
    case FileKind::StyleSheet:
        return {"CSS", "StyleSheet", ".css"};
    case FileKind::Project:
        return {"vbp vbg", "Project", ""};
    case FileKind::SiteFolder:
        return {"", "SiteFolder", ""};
    }
    return {};
}

std::string parentFolder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool hasExtension(std::string_view name) {
    const std::size_t dot = name.find_last_of('.');
    // A leading dot marks a hidden file, not an extension.
    return dot != std::string_view::npos && dot != 0 && dot + 1 < name.size();
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

} // namespace

std::string_view extensionsOf(FileKind kind) {
    return traitsOf(kind).extensions;
}

std::string_view folderKeyOf(FileKind kind) {
    return traitsOf(kind).folderKey;
}

FileDialogs::FileDialogs(std::string programFolder) : programFolder_(std::move(programFolder)) {}

std::string FileDialogs::OuvrirFichier(FileKind kind, std::string& fileTitle, std::string_view title,
                                       std::int32_t& errorCode) {
    return show(FileDialogKind::Open, kind, fileTitle, title, errorCode);
}

std::string FileDialogs::EnregistrerFichier(FileKind kind, std::string& fileTitle, std::string_view title,
                                            std::int32_t& errorCode) {
    return show(FileDialogKind::Save, kind, fileTitle, title, errorCode);
}

std::string FileDialogs::chooseFolder(FileKind kind, std::string_view title, std::int32_t& errorCode) {
    std::string folderTitle;
    return show(FileDialogKind::Folder, kind, folderTitle, title, errorCode);
}

void FileDialogs::keepFoldersIn(lang::SettingsStore& store) {
    store_ = &store;
}

void FileDialogs::takeFilterWordsFrom(std::function<FilterWords()> words) {
    words_ = std::move(words);
}

std::string FileDialogs::startFolder(FileKind kind) const {
    if (const auto last = lastFolders_.find(kind); last != lastFolders_.end() && isFolder(last->second)) {
        return last->second;
    }
    if (store_ != nullptr) {
        std::string stored = store_->get(lang::SettingsApplication, FolderSection, folderKeyOf(kind), "");
        if (isFolder(stored)) {
            return stored;
        }
    }
    return programFolder_;
}

void FileDialogs::remember(FileKind kind, const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    lastFolders_[kind] = folder;
    if (store_ != nullptr) {
        store_->set(lang::SettingsApplication, FolderSection, folderKeyOf(kind), folder);
    }
}

std::string FileDialogs::show(FileDialogKind dialog, FileKind kind, std::string& fileTitle,
                              std::string_view title, std::int32_t& errorCode) {
    // One dialog serves every caller, so a title given once stays until another replaces it.
    if (!title.empty()) {
        dialogTitle_ = std::string(title);
    }
    try {
        FileDialogRequest request;
        request.kind = dialog;
        if (dialog != FileDialogKind::Folder) {
            request.filter = buildDialogFilter(extensionsOf(kind), words_ ? words_() : FilterWords{});
        }
        request.filterIndex = 1;
        request.initialFolder = startFolder(kind);
        request.title = dialogTitle_;
        std::optional<std::string> chosen = showFileDialog(request);
        if (!chosen) {
            errorCode = CancelErrorCode;
            return {};
        }
        const std::string_view added = traitsOf(kind).addedExtension;
        if (dialog == FileDialogKind::Save && !added.empty() && !hasExtension(bareFileName(*chosen))) {
            *chosen += added;
        }
        // Remembering is a convenience: a store that cannot be written loses no choice.
        try {
            remember(kind, dialog == FileDialogKind::Folder ? *chosen : parentFolder(*chosen));
        } catch (const std::exception&) {
        }
        fileTitle = bareFileName(*chosen);
        errorCode = 0;
        return std::move(*chosen);
    } catch (const VbError& error) {
        errorCode = error.number();
    } catch (const std::bad_alloc&) {
        errorCode = 7;
    } catch (const std::exception&) {
        errorCode = vberr::InvalidCall;
    }
    return {};
}

std::string bareFileName(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace quillon::platform
