// The window tests drive real widgets: headless unless told otherwise, with configuration
// and runtime folders of their own so nothing reaches the user's desktop settings.

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QTemporaryDir root(QDir::tempPath() + QStringLiteral("/quillon-window-test-XXXXXX"));
    if (!root.isValid()) {
        return 2;
    }
    // The temporary folder is the owner's alone, as a runtime folder must be.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.path()));
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
