#include "shell/folder_roots.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

namespace {

QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    return path;
}

// Where desktops and users mount removable and extra disks; the rest of the
// mount table is the system's own (/proc, /sys, /run, /boot, snaps).
bool isUserVolume(const QString& rootPath) {
    for (const char* prefix : {"/media/", "/run/media/", "/mnt/"})
        if (rootPath.startsWith(QLatin1String(prefix))) return true;
    return false;
}

}  // namespace

std::vector<FolderRoot> FolderRootsFor(const QString& home,
                                       const std::vector<MountedVolume>& volumes) {
    std::vector<FolderRoot> roots;
    const QString homePath = withoutTrailingSlash(QDir::cleanPath(home));
    if (!home.isEmpty() && homePath != QLatin1String("/"))
        roots.push_back({FolderRoot::Kind::Home, QStringLiteral("ホーム"), homePath});
    roots.push_back(
        {FolderRoot::Kind::FileSystem, QStringLiteral("ファイルシステム"), QStringLiteral("/")});

    std::vector<FolderRoot> mounted;
    for (const MountedVolume& volume : volumes) {
        const QString path = withoutTrailingSlash(QDir::cleanPath(volume.RootPath));
        if (!isUserVolume(path) || path == homePath) continue;
        const bool seen = std::any_of(mounted.begin(), mounted.end(),
                                      [&](const FolderRoot& root) { return root.Path == path; });
        if (seen) continue;
        const QString name = volume.Name.isEmpty() ? QFileInfo(path).fileName() : volume.Name;
        mounted.push_back({FolderRoot::Kind::Volume, name, path});
    }
    std::sort(mounted.begin(), mounted.end(),
              [](const FolderRoot& a, const FolderRoot& b) { return a.Path < b.Path; });
    roots.insert(roots.end(), mounted.begin(), mounted.end());
    return roots;
}

std::vector<FolderRoot> CurrentFolderRoots() {
    std::vector<MountedVolume> volumes;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes())
        if (storage.isValid() && storage.isReady())
            volumes.push_back({storage.rootPath(), storage.name()});
    return FolderRootsFor(QDir::homePath(), volumes);
}

QString FolderPathOf(const QString& path) {
    if (path.isEmpty()) return {};
    const QFileInfo info(path);
    if (!info.isDir()) return {};
    // Search permission, as the system decides it for this process.
    if (::access(QFile::encodeName(path).constData(), X_OK) != 0) return {};
    return path;
}
