#pragma once

// Reading whole files and writing files safely: the one way the program
// writes a file.
//
// A file is never written straight over an existing one. It is made as an
// unnamed file in the target's own folder (O_TMPFILE; where the file system
// lacks it, under a short hidden name that SIGINT, SIGTERM and SIGHUP
// remove), flushed to the disk, and only then given the target's name, so a
// failure or an interrupted process leaves the old file as it was and no
// temporary behind. Only a regular file is ever replaced: a folder, device,
// FIFO or socket at the path is refused. A symbolic link is written
// through: the file it names is replaced in its own folder and the link
// stays. A replaced file keeps its permission bits, and its owner and group
// where the process may set them; a file the user may not write is refused
// with "Permission denied" even when its folder is writable.
//
// A save may also be told never to replace: then the target's name must
// still be free at the moment the new file gets it. The final step that
// names the file fails when anything stands there by then (a link of the
// unnamed file, or a rename that refuses to replace), so a file that
// appears while the new one is written stays as it is.
//
// Failures name the file and the system's own reason ("No space left on
// device", "Permission denied").

#include <sys/types.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "picture/system/save_mode.h"

// An input stream on the file; EFOpenError naming the file and the reason
// when it cannot be opened (missing, a folder or other file that is not a
// regular one, no permission).
std::ifstream OpenForReading(const std::string& fileName);

// The system's reason why `fileName` cannot be opened as a regular file for
// reading ("No such file or directory", "Is a directory", "Permission
// denied", "Is a FIFO, not a regular file"); empty when it can.
std::string UnreadableReason(const std::string& fileName);

// The whole file; EFOpenError naming the file and the reason on failure.
std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName);

// Everything the stream still holds; EReadError when reading it fails.
std::vector<std::uint8_t> ReadWholeStream(std::istream& stream);

// Writes the bytes to the stream; EWriteError when the stream fails.
void WriteBytesToStream(std::ostream& stream, const std::vector<std::uint8_t>& bytes);

// What stands where a file is to be written, symbolic links followed.
enum class OutputKind {
    Absent,        // nothing
    RegularFile,   // a file that may be replaced
    DanglingLink,  // a link whose file does not exist (yet)
    Folder,
    NotRegularFile,  // a device, FIFO or socket
};

struct OutputPath {
    OutputKind kind = OutputKind::Absent;
    std::string file;  // what is written: the path itself or the end of its links
    std::string what;  // for NotRegularFile: "a FIFO", "a character device", ...
    mode_t mode = 0;   // of an existing regular file
    uid_t owner = 0;
    gid_t group = 0;
};

// Throws EFCreateError naming `fileName` and the reason when the path cannot
// be looked at (a folder on the way missing or closed, a loop of links).
OutputPath InspectOutputPath(const std::string& fileName);

// Throws EFCreateError naming `fileName` when what stands there may not be
// replaced: a folder, a device, FIFO or socket, or a file the user may not
// write ("Permission denied").
void CheckOutputReplaceable(const std::string& fileName);

// Calls `write` with a stream onto a new unnamed file in the target's
// folder, then makes that file the target as described above. The stream
// can seek (also past its end), for writers that place parts of the file
// out of order. Throws
// EFCreateError when the target may not be replaced or the file cannot be
// created or named, EFileExists (one of them) when `mode` is NeverReplace
// and a file stands at the name before `write` is called or when the file
// is named, EWriteError when writing or flushing fails (with the system's
// reason, whatever `write` itself threw then), and passes on whatever else
// `write` throws; nothing is left behind on any failure.
void WriteFileAtomically(const std::string& fileName,
                         const std::function<void(std::ostream&)>& write,
                         SaveMode mode = SaveMode::Replace);

// The same for a file whose bytes are all made already, so that a failure
// to make them never touches the file system.
void WriteFileAtomically(const std::string& fileName, const std::vector<std::uint8_t>& bytes,
                         SaveMode mode = SaveMode::Replace);

// For tests: what the file system offers the save.
enum class FileSystemForTesting {
    Usual,                             // unnamed files, and renames that refuse to replace
    NoUnnamedFiles,                    // the temporary gets a name
    NoUnnamedFilesNorNoReplaceRename,  // ... and renames cannot be told not to replace
};
void SimulateFileSystemForTesting(FileSystemForTesting fileSystem);

// For tests: `hook` runs after the file is written and flushed, just
// before it gets its name (empty: nothing runs), so that a test can make
// the name appear in between.
void SetBeforeNamingHookForTesting(std::function<void()> hook);
