#include "app/dat_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

QString DatFilePath(const QString& executablePath) {
    if (executablePath.isEmpty()) return QString();
    const qsizetype slash = executablePath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = executablePath.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? executablePath.left(dot) : executablePath;
    return stem + QStringLiteral(".dat");
}

void DatFile::RemoveIfWrittenByThisRun() {
    if (!written_ || path_.isEmpty()) return;
    written_ = false;
    // Only a file: a folder or a link of that name was never written here.
    const QFileInfo file(path_);
    if (file.isFile() && !file.isSymLink()) QFile::remove(path_);
}

DatFile& ExecutableDatFile() {
    static DatFile file(DatFilePath(QCoreApplication::applicationFilePath()));
    return file;
}
