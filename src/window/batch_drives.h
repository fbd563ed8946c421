#pragma once
// What the Batch pane's drive list offers on Linux: the tops of the folder trees a user
// starts from. The file-system root, the home folder and the mounted removable volumes
// stand for the drive letters of the design. The list comes from a provider, so tests see
// a fixed set of roots.

#include <QString>

#include <vector>

namespace quillon::window {

struct DriveRoot {
    // Absolute and clean: no trailing separator, except for "/" itself.
    QString path;
    // What the drive list shows beside the path: "File System", "Home", a volume's label.
    QString name;

    friend bool operator==(const DriveRoot&, const DriveRoot&) = default;
};

class DriveRoots {
public:
    virtual ~DriveRoots() = default;
    virtual std::vector<DriveRoot> roots() const = 0;
};

// "/", the home folder, then the volumes mounted under /media, /run/media and /mnt, as
// they are mounted when asked.
class SystemDriveRoots final : public DriveRoots {
public:
    std::vector<DriveRoot> roots() const override;
};

// How a drive reads in the drive list: "/home/ann [Home]".
QString driveCaption(const DriveRoot& drive);

// `folder` followed by `name`, with one separator between them even when the folder is
// the root "/".
QString joinPath(const QString& folder, const QString& name);

// True when `folder` is `root` or lies somewhere beneath it. Both must be clean paths.
bool isInside(const QString& folder, const QString& root);

// The drive `folder` lies on: the innermost root that holds it; -1 when none does.
int driveIndexOf(const std::vector<DriveRoot>& drives, const QString& folder);

} // namespace quillon::window
