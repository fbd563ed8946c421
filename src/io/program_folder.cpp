#include "io/program_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

namespace quillon::files {

namespace fs = std::filesystem;

namespace {

bool isThere(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

} // namespace

ProgramFolder::ProgramFolder(std::string folder) : readFolders_{std::move(folder)} {}

ProgramFolder::ProgramFolder(const char* folder) : ProgramFolder(std::string(folder)) {}

ProgramFolder::ProgramFolder(std::string userFolder, std::string installedFolder)
    : readFolders_{std::move(userFolder), std::move(installedFolder)} {}

std::string ProgramFolder::find(std::string_view name) const {
    for (const std::string& folder : readFolders_) {
        fs::path path = fs::path(folder) / name;
        if (isThere(path)) {
            return path.string();
        }
    }
    return (fs::path(readFolders_.back()) / name).string();
}

std::string ProgramFolder::writable(std::string_view name) const {
    std::error_code ec;
    fs::create_directories(userFolder(), ec);
    return (fs::path(userFolder()) / name).string();
}

ProgramFolder programFolderOf(const std::string& executableFolder, std::string_view dataHome,
                              std::string_view home) {
    const fs::path installed = fs::path(executableFolder).parent_path() / "share" / "quillon";
    if (isThere(fs::path(executableFolder) / ProgramDataMarker) || !isThere(installed)) {
        return ProgramFolder(executableFolder);
    }
    fs::path user;
    if (fs::path(dataHome).is_absolute()) {
        user = fs::path(dataHome) / "quillon";
    } else if (!home.empty()) {
        user = fs::path(home) / ".local" / "share" / "quillon";
    } else {
        // Nowhere of the user's own: read and write the installed data, as a program
        // folder always was.
        return ProgramFolder(installed.string());
    }
    return ProgramFolder(user.string(), installed.string());
}

ProgramFolder programFolderOf(const std::string& executableFolder) {
    return programFolderOf(executableFolder, environment("XDG_DATA_HOME"), environment("HOME"));
}

} // namespace quillon::files
