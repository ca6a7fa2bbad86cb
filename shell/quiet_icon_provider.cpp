#include "shell/quiet_icon_provider.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMimeDatabase>

namespace {

// What a special file is, from its status alone (a link followed).
QString specialKind(const QFileInfo& info) {
    struct stat status {};
    if (::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &status) != 0)
        return QStringLiteral("application/octet-stream");
    if (S_ISFIFO(status.st_mode)) return QStringLiteral("inode/fifo");
    if (S_ISSOCK(status.st_mode)) return QStringLiteral("inode/socket");
    if (S_ISCHR(status.st_mode)) return QStringLiteral("inode/chardevice");
    if (S_ISBLK(status.st_mode)) return QStringLiteral("inode/blockdevice");
    return QStringLiteral("application/octet-stream");
}

// The type by the name's extension only; special files by their kind.
QMimeType typeByName(const QFileInfo& info) {
    QMimeDatabase types;
    if (info.isDir()) return types.mimeTypeForName(QStringLiteral("inode/directory"));
    if (!info.isFile()) return types.mimeTypeForName(specialKind(info));
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
    const QMimeType type = typeByName(info);
    return type.comment().isEmpty() ? type.name() : type.comment();
}

namespace {

// A dialog's provider, held by a child of the dialog made after its file
// model: children go in the order they were made, so the model, and the
// thread of it that asks the provider, goes first.
class ProviderHolder : public QObject {
public:
    explicit ProviderHolder(QObject* parent) : QObject(parent) {}
    TQuietIconProvider Provider;
};

}  // namespace

void UseQuietIcons(QFileDialog& dialog) {
    // The desktop's own dialog has no model of ours to give it to.
    if (!dialog.findChild<QFileSystemModel*>()) return;
    auto* holder = new ProviderHolder(&dialog);
    dialog.setIconProvider(&holder->Provider);
}
