#pragma once

// The open and save dialogs at a size that can be read: the detail view with
// its name, size, type and date columns wide enough for what they show, the
// folder list beside them wide enough for its names, and a first size of the
// dialog that shows all of it. Each dialog keeps its size and its folder
// from one use to the next while the program runs, and nothing from one run
// to the next: what Qt's own dialog would restore from an earlier run (its
// folder, columns, side bar and history) is set afresh every time.

#include <QSize>
#include <QString>

class QFileDialog;

// What one dialog keeps from its last use.
struct FileDialogMemory {
    QSize Size;      // empty before the first use
    QString Folder;  // absolute; empty before the first use
};

// Lays the dialog out (before it is shown). The columns are sized from the
// texts they will show, and widened again once the folder is read if some
// text needs more; `memory` gives the size and folder of the last use.
void ShapeFileDialog(QFileDialog& dialog, const FileDialogMemory& memory);

// Keeps the dialog's size and folder for its next use.
void RememberFileDialog(const QFileDialog& dialog, FileDialogMemory& memory);
