#pragma once

// Icons and type names for the folder tree, the file list and the file
// dialogs, chosen from a file's name and kind alone. The usual provider, or
// the desktop's theme behind it, may look into files to tell their type, and
// a read from a named pipe or a device in a listed folder would then wait
// for ever; nothing here opens a file.

#include <QFileIconProvider>

class QFileDialog;

class TQuietIconProvider : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};

// Gives a Qt file dialog (not the desktop's own) a quiet provider of its own,
// which lives as long as the dialog.
void UseQuietIcons(QFileDialog& dialog);
