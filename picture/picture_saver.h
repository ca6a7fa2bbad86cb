#pragma once

// Writing a picture in the format its file name asks for. The extension is
// compared exactly, case and all: ".gif"/".GIF" GIF, ".jpg"/".JPG" JPEG,
// ".png"/".PNG" PNG, anything else (".Jpg", ".jpeg", none) BMP. The shared
// saver of the window, the batch run and the command-line tool.

#include <string>

#include "picture/dib.h"

enum class PictureFileType { BMP, JPEG, GIF, PNG };

// The writer the name's extension picks: the text from the last "." of the
// file-name part.
PictureFileType FileTypeForName(const std::string& fileName);

// Writes `picture` to `fileName`; a GIF goes through a copy reduced to 256
// colours, so `picture` itself is never changed. The file is written beside
// the target and renamed over it, so a failure leaves an existing file as it
// was; the writer's error propagates to the caller. A picture the format
// cannot hold is refused with the writer's error before any work is done.
// With NeverReplace an existing file stays and EFileExists (file_io.h) is
// thrown, also for one that appears while the file is being written.
void SavePictureToFile(const TDIB& picture, const std::string& fileName,
                       SaveMode mode = SaveMode::Replace);

// The same, as a file of `type` whatever the name's extension says (the
// command line's --type with --output).
void SavePictureToFile(const TDIB& picture, const std::string& fileName, PictureFileType type,
                       SaveMode mode = SaveMode::Replace);

// Throws the writer's error when a file of `type` cannot hold a 24-bit
// picture of width x height with `colorsUsed` colour entries: a BMP file of
// more than 4 GiB, a GIF wider or taller than 65535 pixels. The check the
// saver makes first, for callers that know the size before the picture is
// made.
void CheckFileTypeCanHold(PictureFileType type, int width, int height, int colorsUsed);
