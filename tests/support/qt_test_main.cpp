// The Qt tests run headless, with their own configuration and data folders, so nothing
// they write or look up comes from or reaches the user's desktop.

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::string root = (std::filesystem::temp_directory_path() / "quillon-qt-test-XXXXXX").string();
    if (::mkdtemp(root.data()) == nullptr) {
        return 2;
    }
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        const std::filesystem::path folder = std::filesystem::path(root) / name;
        std::filesystem::create_directories(folder);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        qputenv(name, folder.string().c_str());
    }
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
