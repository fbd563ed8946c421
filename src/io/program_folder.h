#pragma once
// The program's folder: where the program finds its data (header.txt, footer.txt, the
// language files, links.ini) and where it writes its own files (English.lng).
//
// Run from the build folder, or from any folder that holds the data beside the executable,
// it is that one folder, as it always was. Installed (the executable in PREFIX/bin, the data
// in PREFIX/share/quillon), the data lie where the user may not write: a file is looked for
// in the user's own folder first ($XDG_DATA_HOME/quillon, by default ~/.local/share/quillon)
// and then in the installed data, and the program writes into the user's folder, which is
// made when first written to. Which of the two holds is decided by where the data are, not
// by how the program was built, so a build folder copied elsewhere still works the old way.

#include <string>
#include <string_view>
#include <vector>

namespace quillon::files {

// The file whose presence beside the executable says the data are there.
inline constexpr std::string_view ProgramDataMarker = "header.txt";

class ProgramFolder {
public:
    // One folder to read from and write to. Not explicit: wherever a folder was given
    // before, it still means exactly that folder.
    ProgramFolder(std::string folder);
    ProgramFolder(const char* folder);
    // The user's folder read first and written to, then the installed data.
    ProgramFolder(std::string userFolder, std::string installedFolder);

    // The folders to read from, in order: the user's, then (when installed) the installed one.
    const std::vector<std::string>& readFolders() const { return readFolders_; }
    // Where the program writes.
    const std::string& userFolder() const { return readFolders_.front(); }

    // The path of `name` in the first folder that holds it; when none does, its path in the
    // last one, where the program's own copy belongs, so that a message names that place.
    std::string find(std::string_view name) const;
    // The path to write `name` to, in the user's folder; the folder is made when missing
    // (a failure is left to the write that follows, which reports or ignores it).
    std::string writable(std::string_view name) const;

private:
    std::vector<std::string> readFolders_;
};

// The program's folder for an executable that lies in `executableFolder`, the user's folder
// taken from `dataHome` ($XDG_DATA_HOME; ignored unless absolute) or else `home` ($HOME).
ProgramFolder programFolderOf(const std::string& executableFolder, std::string_view dataHome,
                              std::string_view home);
// The same with this process's environment.
ProgramFolder programFolderOf(const std::string& executableFolder);

} // namespace quillon::files
