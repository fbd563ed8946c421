// The Qt tests run headless, with their own configuration and data folders, so nothing
// they write or look up comes from or reaches the user's desktop.

#include <QApplication>
#include <QByteArray>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::filesystem::path makePrivateFolder(const std::filesystem::path& root, const char* name) {
    const std::filesystem::path folder = root / name;
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    return folder;
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "quillon-qt-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 2;
    }
    const std::filesystem::path root = pattern;
    qputenv("XDG_CONFIG_HOME", makePrivateFolder(root, "config").string().c_str());
    qputenv("XDG_DATA_HOME", makePrivateFolder(root, "data").string().c_str());
    qputenv("XDG_RUNTIME_DIR", makePrivateFolder(root, "runtime").string().c_str());
    // The desktop's own tools must answer from the folders above, not from a session's.
    for (const char* name :
         {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
          "MATE_DESKTOP_SESSION_ID", "XDG_MENU_PREFIX", "BROWSER"}) {
        qunsetenv(name);
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return result;
}
