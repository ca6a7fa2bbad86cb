#include "shell/quiet_icon_provider.h"

#include <QMimeDatabase>

namespace {

// The type by the name's extension only; special files by their kind.
QMimeType typeByName(const QFileInfo& info) {
    QMimeDatabase types;
    if (info.isDir()) return types.mimeTypeForName(QStringLiteral("inode/directory"));
    if (!info.isFile()) return types.mimeTypeForName(QStringLiteral("application/octet-stream"));
    return types.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
}

}  // namespace

QIcon TQuietIconProvider::icon(const QFileInfo& info) const {
    if (info.isRoot()) return icon(QFileIconProvider::Computer);
    if (info.isDir()) return icon(QFileIconProvider::Folder);
    if (info.isFile()) {
        const QMimeType type = typeByName(info);
        const QIcon themed =
            QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
        if (!themed.isNull()) return themed;
    }
    return icon(QFileIconProvider::File);
}

QString TQuietIconProvider::type(const QFileInfo& info) const {
    return typeByName(info).comment();
}
