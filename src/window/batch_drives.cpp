#include "window/batch_drives.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace quillon::window {

namespace {

bool isRemovableMountPoint(const QString& path) {
    for (const char* parent : {"/media/", "/run/media/", "/mnt/"}) {
        if (path.startsWith(QLatin1String(parent))) {
            return true;
        }
    }
    return path == QLatin1String("/mnt");
}

void addOnce(std::vector<DriveRoot>& drives, DriveRoot drive) {
    const bool known = std::any_of(drives.begin(), drives.end(),
                                   [&](const DriveRoot& other) { return other.path == drive.path; });
    if (!known) {
        drives.push_back(std::move(drive));
    }
}

} // namespace

std::vector<DriveRoot> SystemDriveRoots::roots() const {
    std::vector<DriveRoot> drives;
    addOnce(drives, {QStringLiteral("/"), QStringLiteral("File System")});
    addOnce(drives, {QDir::cleanPath(QDir::homePath()), QStringLiteral("Home")});

    std::vector<DriveRoot> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) {
            continue;
        }
        const QString path = QDir::cleanPath(volume.rootPath());
        if (!isRemovableMountPoint(path)) {
            continue;
        }
        QString name = volume.name();
        if (name.isEmpty()) {
            name = QFileInfo(path).fileName();
        }
        volumes.push_back({path, name});
    }
    std::sort(volumes.begin(), volumes.end(),
              [](const DriveRoot& a, const DriveRoot& b) { return a.path < b.path; });
    for (DriveRoot& volume : volumes) {
        addOnce(drives, std::move(volume));
    }
    return drives;
}

QString driveCaption(const DriveRoot& drive) {
    if (drive.name.isEmpty()) {
        return drive.path;
    }
    return drive.path + QStringLiteral(" [") + drive.name + u']';
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(u'/')) {
        return folder + name;
    }
    return folder + u'/' + name;
}

bool isInside(const QString& folder, const QString& root) {
    if (root == QLatin1String("/")) {
        return folder.startsWith(u'/');
    }
    return folder == root || folder.startsWith(root + u'/');
}

int driveIndexOf(const std::vector<DriveRoot>& drives, const QString& folder) {
    int found = -1;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const QString& root = drives[i].path;
        if (isInside(folder, root) &&
            (found < 0 || root.size() > drives[static_cast<std::size_t>(found)].path.size())) {
            found = static_cast<int>(i);
        }
    }
    return found;
}

} // namespace quillon::window
