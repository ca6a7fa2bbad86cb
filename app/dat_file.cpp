#include "app/dat_file.h"

QString DatFilePath(const QString& executablePath) {
    if (executablePath.isEmpty()) return QString();
    const qsizetype slash = executablePath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = executablePath.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? executablePath.left(dot) : executablePath;
    return stem + QStringLiteral(".dat");
}
