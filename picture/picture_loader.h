#pragma once

// The loader chain shared by the window, the batch run and the command-line
// tool. It does not trust the file's extension: it tries the readers in a
// fixed order, JPEG, GIF, metafile (only for the extensions ".wmf" and
// ".emf"), PNG, BMP, and the first that completes fills the target. Every
// attempt releases what it made before the next begins; errors inside an
// attempt are never shown on their own.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture/dib.h"
#include "picture/reader_limits.h"

// Loads `fileName` into `target` as a 24-bit picture. Returns false, with
// `target` untouched, when no reader takes the file (unknown format, damaged
// or missing file, a folder, a picture too large for this machine); then
// `whyRefused`, when given, receives why (refusal_reason.h): the system's
// reason the file could not be read ("No such file or directory"), else
// what the reader that knew the file found wrong in it, in the file's own
// terms and under its format's name (the memory a picture would need and
// could not have among them), else the memory another reader could not
// have, else that the file is empty or of no kind read here. Throws only
// EMemoryBusy, for work charged to a waiting account (memory_budget.h).
bool LoadPictureFile(const std::string& fileName, TDIB& target, std::string* whyRefused = nullptr);

// The same chain over a file's bytes already in memory; `fileName` only
// decides whether the metafile reader is tried. Used by the tests and the
// fuzz harnesses, which pass smaller limits. Throws only EMemoryBusy, as
// LoadPictureFile does.
bool LoadPictureBytes(std::shared_ptr<const std::vector<std::uint8_t>> bytes,
                      const std::string& fileName, TDIB& target, const ReaderLimits& limits = {});

// True when the file name's extension is ".wmf" or ".emf" in any letter
// case: only such files are offered to the metafile reader.
bool HasMetafileExtension(const std::string& fileName);
