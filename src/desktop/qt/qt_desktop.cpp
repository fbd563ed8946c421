#include "desktop/qt/qt_desktop.h"

#include "desktop/qt/qt_text.h"
#include "io/file_system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon::platform {

namespace {

// xdg-mime is a shell script that can, on a broken desktop, wait on something forever.
constexpr int QueryTimeoutMs = 5000;

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

} // namespace

std::string QtDesktop::currentFolder() const {
    return toStdString(QDir::currentPath());
}

PathState QtDesktop::pathState(const std::string& absolutePath) const {
    struct stat info {};
    if (::stat(absolutePath.c_str(), &info) == 0) {
        if (::access(absolutePath.c_str(), R_OK) != 0) {
            return PathState::AccessDenied;
        }
        return S_ISDIR(info.st_mode) ? PathState::Directory : PathState::File;
    }
    switch (errno) {
    case EACCES:
        return PathState::AccessDenied;
    case ENOENT:
    case ENOTDIR: {
        const std::string parent = parentOf(absolutePath);
        if (parent == absolutePath) {
            return PathState::Missing;
        }
        struct stat parentInfo {};
        if (::stat(parent.c_str(), &parentInfo) == 0) {
            return S_ISDIR(parentInfo.st_mode) ? PathState::Missing : PathState::FolderMissing;
        }
        return errno == EACCES ? PathState::AccessDenied : PathState::FolderMissing;
    }
    default:
        return PathState::Missing;
    }
}

std::vector<std::string> QtDesktop::mimeTypesOf(const std::string& absolutePath) const {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(toQString(absolutePath));
    std::vector<std::string> types{toStdString(type.name())};
    for (const QString& ancestor : type.allAncestors()) {
        types.push_back(toStdString(ancestor));
    }
    return types;
}

std::string QtDesktop::defaultApplication(const std::string& mimeType) const {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) {
        return {};
    }
    QProcess query;
    query.setStandardInputFile(QProcess::nullDevice());
    query.setStandardErrorFile(QProcess::nullDevice());
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), toQString(mimeType)});
    if (!query.waitForFinished(QueryTimeoutMs)) {
        query.kill();
        query.waitForFinished(1000);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
        return {};
    }
    const QString id = QString::fromUtf8(query.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
    return toStdString(id);
}

std::optional<DesktopEntry> QtDesktop::desktopEntry(const std::string& id) const {
    const QString name = toQString(id);
    // An id is a file name; one that climbs out of the applications folders is no id.
    if (name.isEmpty() || name.contains(u'/') || !name.endsWith(QStringLiteral(".desktop"))) {
        return std::nullopt;
    }
    QString location = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, name);
    // "vendor-app.desktop" may lie at "vendor/app.desktop".
    for (qsizetype dash = name.indexOf(u'-'); location.isEmpty() && dash > 0;
         dash = name.indexOf(u'-', dash + 1)) {
        QString nested = name;
        nested[dash] = u'/';
        location = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, nested);
    }
    if (location.isEmpty()) {
        return std::nullopt;
    }
    QFile file(location);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray text = file.readAll();
    return parseDesktopEntry(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                             toStdString(location));
}

std::string QtDesktop::findExecutable(const std::string& program) const {
    const QString name = toQString(program);
    if (name.contains(u'/')) {
        const QFileInfo info(name);
        return info.isFile() && info.isExecutable() ? toStdString(info.absoluteFilePath()) : std::string();
    }
    return toStdString(QStandardPaths::findExecutable(name));
}

bool QtDesktop::startDetached(const std::vector<std::string>& argv, const std::string& workingFolder) {
    if (argv.empty()) {
        return false;
    }
    QProcess process;
    process.setProgram(toQString(argv.front()));
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        arguments.append(toQString(argv[i]));
    }
    process.setArguments(arguments);
    if (!workingFolder.empty()) {
        process.setWorkingDirectory(toQString(workingFolder));
    }
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

std::string QtDesktop::environmentVariable(const std::string& name) const {
    return qEnvironmentVariable(name.c_str()).toStdString();
}

void QtDesktop::showInViewer(const std::string& absolutePath) {
    const std::string text = files::readHeldText(absolutePath);
    auto* viewer = new QPlainTextEdit;
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    // Closing the main window still ends the program while a viewer is open.
    viewer->setAttribute(Qt::WA_QuitOnClose, false);
    viewer->setReadOnly(true);
    viewer->setLineWrapMode(QPlainTextEdit::NoWrap);
    viewer->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    viewer->setPlainText(QString::fromStdString(text));
    viewer->setWindowTitle(QFileInfo(toQString(absolutePath)).fileName() + QStringLiteral(" - ") +
                           toQString(absolutePath));
    viewer->resize(800, 600);
    viewer->show();
}

} // namespace quillon::platform
