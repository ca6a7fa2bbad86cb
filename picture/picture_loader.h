#pragma once

// The loader chain shared by the window, the batch run and the command-line
// tool. It does not trust the file's extension: it tries the readers in a
// fixed order, JPEG, GIF, metafile (only for the extensions ".wmf" and
// ".emf"), PNG, BMP, and the first that completes fills the target. Every
// attempt releases what it made before the next begins; errors inside an
// attempt are never shown on their own.

#include <string>

#include "picture/dib.h"

// Loads `fileName` into `target` as a 24-bit picture. Returns false, with
// `target` untouched, when no reader takes the file (unknown format, damaged
// or missing file, a folder, a picture too large for this machine).
bool LoadPictureFile(const std::string& fileName, TDIB& target);
