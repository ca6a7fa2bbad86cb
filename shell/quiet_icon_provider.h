#pragma once

// Icons and type names for the folder tree and the file list, chosen from
// a file's name and kind alone. The usual provider looks into files to tell
// their type, and a read from a named pipe or a device in a listed folder
// would then wait for ever; nothing here opens a file.

#include <QFileIconProvider>

class TQuietIconProvider : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};
