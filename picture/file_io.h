#pragma once

// Reading whole files and writing files safely. A picture is never written
// straight over an existing file: it goes to a temporary file beside the
// target, is flushed to the disk, and only then renamed over the target, so
// a failure part-way leaves the old file as it was.

#include <cstdint>
#include <fstream>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

// An input stream on the file; EFOpenError naming the file and the reason
// when it cannot be opened (missing, a folder, no permission).
std::ifstream OpenForReading(const std::string& fileName);

// The whole file; EFOpenError naming the file and the reason on failure.
std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName);

// Everything the stream still holds; EReadError when reading it fails.
std::vector<std::uint8_t> ReadWholeStream(std::istream& stream);

// Writes the bytes to the stream; EWriteError when the stream fails.
void WriteBytesToStream(std::ostream& stream, const std::vector<std::uint8_t>& bytes);

// Calls `write` with a stream onto a temporary file in the target's folder,
// then makes that file the target. Throws EFCreateError when the temporary
// cannot be created, EWriteError when writing or flushing fails, and passes
// on whatever `write` throws; the temporary is removed on every failure.
void WriteFileAtomically(const std::string& fileName,
                         const std::function<void(std::ostream&)>& write);

// The same for a file whose bytes are all made already, so that a failure
// to make them never touches the file system.
void WriteFileAtomically(const std::string& fileName, const std::vector<std::uint8_t>& bytes);
