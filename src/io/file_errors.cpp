#include "io/file_errors.h"

#include "base/vb_error.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace quillon::files {

namespace {
bool folderOfExists(const std::string& path) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty()) {
        folder = ".";
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
} // namespace

int errorNumberFor(int errorCode, const std::string& path, FileAccess access) {
    switch (errorCode) {
    case ENOENT:
        if (access == FileAccess::Read && folderOfExists(path)) {
            return vberr::FileNotFound;
        }
        return vberr::PathNotFound;
    case ENOTDIR:
        return vberr::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return vberr::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
        return vberr::DiskFull;
    default:
        return vberr::PathFileAccess;
    }
}

void raiseFileError(int errorCode, const std::string& path, FileAccess access) {
    raise(errorNumberFor(errorCode, path, access), path);
}

} // namespace quillon::files
