#pragma once

#include <QString>

// The executable's own path with its extension replaced by ".dat" (added
// when the file name has none).
QString DatFilePath(const QString& executablePath);
