#include "cli_messages.h"

#include "io/file_errors.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace quillon::cli {

namespace {
bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
} // namespace

std::string reasonFor(int number, const std::string& path) {
    switch (number) {
    case vberr::FileNotFound:
        return "No such file";
    case vberr::PathNotFound:
        return "No such folder";
    case vberr::PermissionDenied:
        return "Permission denied";
    case vberr::DiskFull:
        return "Disk full";
    case vberr::InvalidFileFormat:
        return "Not a text file";
    case vberr::PathFileAccess:
        // The file layer's catch-all: a folder where a file belongs is by far the usual.
        return isFolder(path) ? "Is a directory" : "Input/output error";
    default:
        return std::string(standardDescription(number));
    }
}

std::string fileMessage(const std::string& path, std::string_view reason) {
    // The reader's name for "-" means nothing to whoever typed "-" or nothing at all.
    std::string message =
        "quillon-cli: " + (path == StandardInputPath ? std::string("standard input") : path);
    message += ": ";
    message += reason;
    return message;
}

std::string messageOf(const VbError& error) {
    const std::string& description = error.description();
    const auto colon = description.find(": ");
    if (colon == std::string::npos) {
        return "quillon-cli: " + description;
    }
    const std::string head = description.substr(0, colon);
    const std::string path = description.substr(colon + 2);
    // A description of the error's own (not its standard text) says more than the number.
    return fileMessage(path,
                       head == standardDescription(error.number()) ? reasonFor(error.number(), path) : head);
}

std::string missingInputMessage(const std::string& path) {
    if (isFolder(path)) {
        return fileMessage(path, "Is a directory");
    }
    return fileMessage(path, reasonFor(files::errorNumberFor(ENOENT, path, files::FileAccess::Read), path));
}

void tell(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
}

} // namespace quillon::cli
