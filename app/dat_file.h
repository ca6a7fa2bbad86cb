#pragma once

// The file named like the executable with ".dat", beside it: where a shell
// file list keeps its column layout. The program removes it at shut-down
// only when this run wrote it. A file of that name that was there already
// is someone else's: installed in ~/.local/bin, say, it may be a file the
// user put there. Today nothing in the program writes it, so nothing is
// removed.

#include <QString>
#include <utility>

// The executable's own path with its extension replaced by ".dat" (added
// when the file name has none).
QString DatFilePath(const QString& executablePath);

class DatFile {
public:
    explicit DatFile(QString path) : path_(std::move(path)) {}

    const QString& Path() const { return path_; }

    // Whoever writes the file says so, after writing it.
    void NoteWrittenByThisRun() { written_ = true; }

    // At shut-down: removes the file if this run wrote it; a failure is
    // ignored. Anything else of that name is left alone.
    void RemoveIfWrittenByThisRun();

private:
    QString path_;
    bool written_ = false;
};

// The executable's ".dat" file, one for the process.
DatFile& ExecutableDatFile();
