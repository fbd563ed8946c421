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
    for (const char* name : {"config", "runtime"}) {
        if (!root.isValid() || !QDir(root.path()).mkdir(QString::fromLatin1(name))) {
            return 2;
        }
        QFile::setPermissions(root.filePath(QString::fromLatin1(name)),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(QStringLiteral("config"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath(QStringLiteral("runtime"))));
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
