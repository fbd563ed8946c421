// The window tests drive real widgets: headless unless told otherwise, with configuration
// and runtime folders of their own so nothing reaches the user's desktop settings.

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
    std::string pattern = (std::filesystem::temp_directory_path() / "quillon-window-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 2;
    }
    const std::filesystem::path root = pattern;
    qputenv("XDG_CONFIG_HOME", makePrivateFolder(root, "config").string().c_str());
    qputenv("XDG_RUNTIME_DIR", makePrivateFolder(root, "runtime").string().c_str());
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return result;
}
