#include "io/program_folder.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillon::files {
namespace {

namespace fs = std::filesystem;
using test::writeBytes;

// Installed: the user's folder is read first and written to, the installed data second.
// Beside the executable (the build folder): that folder only, as before installing.
TEST(ProgramFolder, InstalledReadsTheUsersFolderFirstBuildFolderStaysAsItWas) {
    test::ScratchDir dir;
    fs::create_directories(dir / "usr/bin");
    fs::create_directories(dir / "usr/share/quillon");
    writeBytes(dir / "usr/share/quillon/header.txt", "installed");
    writeBytes(dir / "usr/share/quillon/footer.txt", "installed");
    const std::string data = (dir / "home/.data").string();
    const std::string installed = (dir / "usr/share/quillon").string();

    const ProgramFolder folder = programFolderOf((dir / "usr/bin").string(), data, "/nohome");
    EXPECT_EQ(folder.readFolders(), (std::vector<std::string>{data + "/quillon", installed}));
    EXPECT_EQ(folder.find("header.txt"), installed + "/header.txt");
    EXPECT_EQ(folder.find("missing.lng"), installed + "/missing.lng");
    EXPECT_FALSE(fs::exists(data));
    EXPECT_EQ(folder.writable("English.lng"), data + "/quillon/English.lng");
    EXPECT_TRUE(fs::is_directory(data + "/quillon")); // made on need
    writeBytes(data + "/quillon/header.txt", "mine");
    EXPECT_EQ(folder.find("header.txt"), data + "/quillon/header.txt");
    EXPECT_EQ(folder.find("footer.txt"), installed + "/footer.txt");

    // No usable $XDG_DATA_HOME (unset or relative): $HOME/.local/share.
    EXPECT_EQ(programFolderOf((dir / "usr/bin").string(), "relative", "/home/ann").userFolder(),
              "/home/ann/.local/share/quillon");

    // The data beside the executable win, even with an installed tree next to it.
    writeBytes(dir / "usr/bin/header.txt", "build");
    const std::string bin = (dir / "usr/bin").string();
    EXPECT_EQ(programFolderOf(bin, data, "/nohome").readFolders(), std::vector<std::string>{bin});
    EXPECT_EQ(programFolderOf(bin, data, "/nohome").writable("English.lng"), bin + "/English.lng");
    // Neither: the executable's folder, where the data were always looked for.
    const std::string bare = (dir / "bare").string();
    EXPECT_EQ(programFolderOf(bare, data, "/nohome").find("header.txt"), bare + "/header.txt");
}

} // namespace
} // namespace quillon::files
