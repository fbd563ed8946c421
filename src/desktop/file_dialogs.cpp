#include "desktop/file_dialogs.h"

#include "base/vb_error.h"

#include <new>
#include <utility>

namespace quillon::platform {

FileDialogs::FileDialogs(std::string programFolder) : programFolder_(std::move(programFolder)) {}

std::string FileDialogs::OuvrirFichier(std::string_view extensions, std::string& fileTitle,
                                       std::string_view title, std::int32_t& errorCode) {
    return show(FileDialogKind::Open, extensions, fileTitle, title, errorCode);
}

std::string FileDialogs::EnregistrerFichier(std::string_view extensions, std::string& fileTitle,
                                            std::string_view title, std::int32_t& errorCode) {
    return show(FileDialogKind::Save, extensions, fileTitle, title, errorCode);
}

std::string FileDialogs::chooseFolder(std::string_view title, std::int32_t& errorCode) {
    std::string folderTitle;
    return show(FileDialogKind::Folder, {}, folderTitle, title, errorCode);
}

std::string FileDialogs::show(FileDialogKind kind, std::string_view extensions, std::string& fileTitle,
                              std::string_view title, std::int32_t& errorCode) {
    // One dialog serves every caller, so a title given once stays until another replaces it.
    if (!title.empty()) {
        dialogTitle_ = std::string(title);
    }
    try {
        FileDialogRequest request;
        request.kind = kind;
        if (kind != FileDialogKind::Folder) {
            request.filter = buildDialogFilter(extensions, kind);
        }
        request.filterIndex = 1;
        request.initialFolder = programFolder_;
        request.title = dialogTitle_;
        std::optional<std::string> chosen = showFileDialog(request);
        if (!chosen) {
            errorCode = CancelErrorCode;
            return {};
        }
        std::string name = bareFileName(*chosen);
        fileTitle = std::move(name);
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
