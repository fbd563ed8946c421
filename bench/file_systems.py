"""What the benchmark scripts need to know of the file system their work folder is on."""

import os


def filesystem_of(path):
    """The type of the file system that holds `path`, from the longest mount point above it."""
    path = os.path.realpath(path)
    best, kind = "", ""
    with open("/proc/self/mounts") as mounts:
        for line in mounts:
            fields = line.split()
            point = fields[1]
            if (path == point or path.startswith(point.rstrip("/") + "/")) and len(point) > len(best):
                best, kind = point, fields[2]
    return kind
