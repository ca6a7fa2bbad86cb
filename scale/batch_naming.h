#pragma once

// How a batch run names its outputs and which suffixes it takes, shared by
// the window's batch run and the command-line tool. Paths use "/"; a folder
// given here ends in "/".

#include <string>

// The suffix the destination dialog offers for "no suffix".
extern const char* const kNoSuffixItem;  // "（拡張子無し）"

// True when `text` may serve as a file-name suffix: no byte of it is one of
// \ / ; , : * ? " < > | or NUL. The empty text is valid.
bool IsFileName(const std::string& text);

// The message shown when IsFileName refuses a suffix (two lines, "\r"
// between them).
std::string RefusedSuffixMessage();

// The message shown when the destination is the source folder and the
// suffix is empty.
extern const char* const kSameFolderMessage;

// The suffix as the run uses it: empty for the dialog's "no suffix" item.
std::string EffectiveSuffix(const std::string& suffixText);

// The file's name without its folder and without its last extension (the
// text from the last "."); a name without "." stays whole.
std::string BatchBaseName(const std::string& path);

// The folder of `path` with "/" at its end ("./" for a bare name).
std::string FolderOf(const std::string& path);

// destination folder + base name + suffix + extension (".jpg" and so on).
std::string BatchOutputName(const std::string& destinationFolder, const std::string& sourcePath,
                            const std::string& suffix, const std::string& extension);
