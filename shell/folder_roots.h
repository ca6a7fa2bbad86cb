#pragma once

// Where the folder tree of the batch destination dialog starts, as a Linux
// user expects it: the home folder, the file system from "/", and the
// volumes the desktop or the user mounted (USB sticks, other disks).

#include <QString>
#include <vector>

struct FolderRoot {
    enum class Kind { Home, FileSystem, Volume };
    Kind kind = Kind::FileSystem;
    QString Name;  // what the tree shows
    QString Path;  // the folder, without a trailing "/" except for "/" itself

    bool operator==(const FolderRoot& other) const {
        return kind == other.kind && Name == other.Name && Path == other.Path;
    }
};

struct MountedVolume {
    QString RootPath;
    QString Name;  // the volume's label, or empty
};

// The roots for a home folder and the mounted volumes: the home folder
// (unless it is "/" or empty), "/", and each volume mounted under /media,
// /run/media or /mnt, sorted by path, each once.
std::vector<FolderRoot> FolderRootsFor(const QString& home,
                                       const std::vector<MountedVolume>& volumes);

// The roots of this machine now.
std::vector<FolderRoot> CurrentFolderRoots();

// `path` when it names a folder that can be entered (a link to one counts),
// else the empty text: a file, a broken link, a folder without search
// permission, nothing at all.
QString FolderPathOf(const QString& path);
