#include "picture/system/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <istream>
#include <iterator>
#include <memory>
#include <ostream>
#include <random>
#include <streambuf>
#include <utility>

#include "picture/system/system_errors.h"
#include "picture/system/temporary_names.h"

namespace {

// Links followed before a chain counts as a loop, as the kernel counts them.
constexpr int kMaxLinks = 40;

std::atomic<FileSystemForTesting> simulatedFileSystem{FileSystemForTesting::Usual};
std::function<void()> beforeNamingHook;

std::string systemReason(int err) {
    return std::strerror(err);
}

EFCreateError createError(const std::string& fileName, int err) {
    return EFCreateError("Cannot create file \"" + fileName + "\". " + systemReason(err));
}

EFCreateError createError(const std::string& fileName, const std::string& reason) {
    return EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
}

EFileExists existsError(const std::string& fileName) {
    return EFileExists("Cannot create file \"" + fileName + "\". " + systemReason(EEXIST));
}

EWriteError writeError(const std::string& fileName, int err) {
    return EWriteError("Cannot write file \"" + fileName + "\". " + systemReason(err));
}

// "a FIFO" and the like, for a file that is neither regular nor a folder.
std::string kindOfSpecialFile(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a file";
}

std::string notRegularReason(const std::string& what) {
    return "Is " + what + ", not a regular file";
}

// A file descriptor closed with the object.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// An output stream buffer straight onto a file descriptor, so that the file
// can be flushed to the disk before it is named.
class FdOutBuf : public std::streambuf {
public:
    explicit FdOutBuf(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
    ~FdOutBuf() override = default;

    // False when some write failed; error() tells why.
    bool flushAll() { return sync() == 0 && !failed_; }
    int error() const { return errno_; }

protected:
    int_type overflow(int_type ch) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(ch);
            pbump(1);
        }
        return traits_type::not_eof(ch);
    }
    int sync() override { return drain() ? 0 : -1; }
    // Writers that place rows out of order seek; past the end leaves a gap
    // that later writes fill.
    pos_type seekoff(off_type offset, std::ios_base::seekdir dir,
                     std::ios_base::openmode which) override {
        if (!(which & std::ios_base::out) || !drain()) return pos_type(off_type(-1));
        const int whence = dir == std::ios_base::beg   ? SEEK_SET
                           : dir == std::ios_base::cur ? SEEK_CUR
                                                       : SEEK_END;
        const off_t at = ::lseek(fd_, static_cast<off_t>(offset), whence);
        if (at < 0) {
            failed_ = true;
            errno_ = errno;
            return pos_type(off_type(-1));
        }
        return pos_type(static_cast<off_type>(at));
    }
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
        return seekoff(off_type(position), std::ios_base::beg, which);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        // Large pieces (pixel blocks) go straight to the file.
        if (n >= static_cast<std::streamsize>(sizeof buffer_)) {
            if (!drain() || !writeAll(s, static_cast<std::size_t>(n))) return 0;
            return n;
        }
        return std::streambuf::xsputn(s, n);
    }

private:
    bool drain() {
        const std::size_t pending = static_cast<std::size_t>(pptr() - pbase());
        setp(buffer_, buffer_ + sizeof buffer_);
        return pending == 0 || writeAll(buffer_, pending);
    }
    bool writeAll(const char* s, std::size_t n) {
        while (n > 0 && !failed_) {
            const ssize_t written = ::write(fd_, s, n);
            if (written < 0) {
                if (errno == EINTR) continue;
                failed_ = true;
                errno_ = errno;
                break;
            }
            s += written;
            n -= static_cast<std::size_t>(written);
        }
        return !failed_;
    }

    int fd_;
    bool failed_ = false;
    int errno_ = 0;
    char buffer_[1 << 16];
};

std::string folderOf(const std::string& fileName) {
    const auto slash = fileName.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return fileName.substr(0, slash);
}

std::string baseNameOf(const std::string& fileName) {
    const auto slash = fileName.find_last_of('/');
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

std::string readLink(const std::string& fileName, const std::string& link) {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink(link.c_str(), &target[0], target.size());
        if (n < 0) throw createError(fileName, errno);
        if (static_cast<std::size_t>(n) < target.size()) {
            target.resize(static_cast<std::size_t>(n));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

// A short name no file in the folder has yet, whatever the target's name:
// the target's own name may already be as long as the file system allows.
std::string freshTemporaryName() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random{std::random_device{}() ^
                                        (static_cast<std::uint64_t>(::getpid()) << 32)};
    std::string name = ".skalomi-";
    for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

// The file being written, unnamed or under a temporary name, in the
// target's folder; whatever it is, it is gone again unless published.
class Temporary {
public:
    Temporary(int folder, const std::string& fileName) : folder_(folder) {
        if (simulatedFileSystem == FileSystemForTesting::Usual && canNameUnnamedFiles()) {
            const int fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (fd >= 0) {
                fd_ = fd;
                return;
            }
            // File systems without unnamed files say so in several ways.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                throw createError(fileName, errno);
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = freshTemporaryName();
            // Registered before it exists: a signal in between finds nothing to remove.
            guard_ = std::make_unique<TemporaryNameGuard>(folder, name.c_str());
            const int fd =
                ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                fd_ = fd;
                name_ = name;
                return;
            }
            guard_.reset();
            if (errno != EEXIST) throw createError(fileName, errno);
        }
        throw createError(fileName, EEXIST);
    }

    ~Temporary() {
        if (fd_ >= 0) ::close(fd_);
        if (!name_.empty()) ::unlinkat(folder_, name_.c_str(), 0);
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    int fd() const { return fd_; }

    // Closes the file, returning close's errno (0 when it succeeded).
    int close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) != 0 ? errno : 0;
    }

    // Gives the written file the name `name` in its folder. With Replace, a
    // file of that name (there before or come meanwhile) is replaced; with
    // NeverReplace, one standing there by now stays and EFileExists is thrown.
    void publish(const std::string& name, SaveMode mode, const std::string& fileName) {
        if (mode == SaveMode::NeverReplace) {
            if (name_.empty())
                linkUnnamedWithoutReplacing(name, fileName);
            else
                renameWithoutReplacing(name, fileName);
            return;
        }
        if (name_.empty() && linkUnnamed(name, fileName)) return;
        if (::renameat(folder_, name_.c_str(), folder_, name.c_str()) != 0)
            throw createError(fileName, errno);
        published();
    }

private:
    // Unnamed files get a name through /proc/self/fd without privileges.
    static bool canNameUnnamedFiles() {
        static const bool available = ::access("/proc/self/fd", X_OK) == 0;
        return available;
    }

    std::string selfLink() const {
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd_);
        return self;
    }

    // The temporary name is the target's now.
    void published() {
        name_.clear();
        guard_.reset();
    }

    // Names the unnamed file: straight under `name` when nothing stands
    // there (true); else under a temporary name that publish renames over it.
    bool linkUnnamed(const std::string& name, const std::string& fileName) {
        const std::string self = selfLink();
        if (::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST) throw createError(fileName, errno);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string temporary = freshTemporaryName();
            guard_ = std::make_unique<TemporaryNameGuard>(folder_, temporary.c_str());
            if (::linkat(AT_FDCWD, self.c_str(), folder_, temporary.c_str(), AT_SYMLINK_FOLLOW) ==
                0) {
                name_ = temporary;
                return false;
            }
            guard_.reset();
            if (errno != EEXIST) throw createError(fileName, errno);
        }
        throw createError(fileName, EEXIST);
    }

    // A link fails on a name that is taken, whatever stands there.
    void linkUnnamedWithoutReplacing(const std::string& name, const std::string& fileName) {
        if (::linkat(AT_FDCWD, selfLink().c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return;
        if (errno == EEXIST) throw existsError(fileName);
        throw createError(fileName, errno);
    }

    // A rename told not to replace; where the file system cannot be told so
    // (EINVAL), a second link of the temporary, which fails on a taken name
    // just the same, and the temporary name removed. A file system that has
    // neither gets no file: replacing is not the fallback.
    void renameWithoutReplacing(const std::string& name, const std::string& fileName) {
        int renamed = -1;
        if (simulatedFileSystem != FileSystemForTesting::NoUnnamedFilesNorNoReplaceRename)
            renamed = ::renameat2(folder_, name_.c_str(), folder_, name.c_str(), RENAME_NOREPLACE);
        else
            errno = EINVAL;
        if (renamed == 0) {
            published();
            return;
        }
        if (errno == EEXIST) throw existsError(fileName);
        if (errno != EINVAL && errno != ENOSYS) throw createError(fileName, errno);
        if (::linkat(folder_, name_.c_str(), folder_, name.c_str(), 0) != 0) {
            if (errno == EEXIST) throw existsError(fileName);
            throw createError(fileName,
                              "The file system can neither rename nor link without "
                              "replacing: " +
                                  systemReason(errno));
        }
        // Both names are the new file now; the temporary one goes, here or
        // with the object.
        if (::unlinkat(folder_, name_.c_str(), 0) == 0) published();
    }

    int folder_;
    int fd_ = -1;
    std::string name_;  // the temporary name while it stands in the folder
    std::unique_ptr<TemporaryNameGuard> guard_;
};

void refuseUnlessReplaceable(const std::string& fileName, const OutputPath& target) {
    switch (target.kind) {
        case OutputKind::Folder:
            throw createError(fileName, EISDIR);
        case OutputKind::NotRegularFile:
            throw createError(fileName, notRegularReason(target.what));
        case OutputKind::RegularFile:
            // As other tools do: a file the user may not write is not
            // replaced, even when the folder would let it be renamed over.
            if (::faccessat(AT_FDCWD, target.file.c_str(), W_OK, AT_EACCESS) != 0)
                throw createError(fileName, errno);
            return;
        case OutputKind::Absent:
        case OutputKind::DanglingLink:
            return;
    }
}

// The replaced file's owner, group and permission bits go to its successor,
// as far as the process may set them.
void keepOwnerAndMode(int fd, const OutputPath& target) {
    // A user who may not give the file away may still give it one of their
    // own groups; failing both, the file is the user's own.
    if (::fchown(fd, target.owner, target.group) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), target.group) != 0) {
        errno = 0;
    }
    // After the owner: changing it clears the set-user-ID bit.
    ::fchmod(fd, target.mode & 07777);
}

}  // namespace

std::string UnreadableReason(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) return systemReason(errno);
    if (S_ISDIR(info.st_mode)) return systemReason(EISDIR);
    // A FIFO or a terminal would keep the reader waiting for ever.
    if (!S_ISREG(info.st_mode)) return notRegularReason(kindOfSpecialFile(info.st_mode));
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return systemReason(errno);
    ::close(fd);
    return {};
}

std::ifstream OpenForReading(const std::string& fileName) {
    auto refuse = [&](const std::string& reason) {
        return EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
    };
    const std::string reason = UnreadableReason(fileName);
    if (!reason.empty()) throw refuse(reason);
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw refuse(systemReason(errno ? errno : EACCES));
    return in;
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& fileName) {
    std::ifstream in = OpenForReading(fileName);
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size < 0) throw EReadError();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!bytes.empty())
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) != bytes.size()) throw EReadError();
    return bytes;
}

std::vector<std::uint8_t> ReadWholeStream(std::istream& stream) {
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream),
                                    std::istreambuf_iterator<char>()};
    if (stream.bad()) throw EReadError();
    return bytes;
}

void WriteBytesToStream(std::ostream& stream, const std::vector<std::uint8_t>& bytes) {
    stream.write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    if (!stream) throw EWriteError();
}

OutputPath InspectOutputPath(const std::string& fileName) {
    OutputPath result;
    result.file = fileName;
    bool throughLink = false;
    for (int links = 0;; ++links) {
        struct stat info {};
        if (::lstat(result.file.c_str(), &info) != 0) {
            if (errno != ENOENT) throw createError(fileName, errno);
            result.kind = throughLink ? OutputKind::DanglingLink : OutputKind::Absent;
            return result;
        }
        if (S_ISLNK(info.st_mode)) {
            if (links >= kMaxLinks) throw createError(fileName, ELOOP);
            const std::string target = readLink(fileName, result.file);
            result.file =
                !target.empty() && target[0] == '/' ? target : folderOf(result.file) + "/" + target;
            throughLink = true;
            continue;
        }
        if (S_ISREG(info.st_mode)) {
            result.kind = OutputKind::RegularFile;
            result.mode = info.st_mode;
            result.owner = info.st_uid;
            result.group = info.st_gid;
        } else if (S_ISDIR(info.st_mode)) {
            result.kind = OutputKind::Folder;
        } else {
            result.kind = OutputKind::NotRegularFile;
            result.what = kindOfSpecialFile(info.st_mode);
        }
        return result;
    }
}

void CheckOutputReplaceable(const std::string& fileName) {
    refuseUnlessReplaceable(fileName, InspectOutputPath(fileName));
}

void WriteFileAtomically(const std::string& fileName, const std::vector<std::uint8_t>& bytes,
                         SaveMode mode) {
    WriteFileAtomically(
        fileName,
        [&bytes](std::ostream& out) {
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        },
        mode);
}

void WriteFileAtomically(const std::string& fileName,
                         const std::function<void(std::ostream&)>& write, SaveMode mode) {
    const OutputPath target = InspectOutputPath(fileName);
    if (mode == SaveMode::NeverReplace && target.kind == OutputKind::RegularFile)
        throw existsError(fileName);
    refuseUnlessReplaceable(fileName, target);
    const bool replacing = target.kind == OutputKind::RegularFile;

    Descriptor folder(::open(folderOf(target.file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) throw createError(fileName, errno);
    Temporary temporary(folder.get(), fileName);
    if (replacing) keepOwnerAndMode(temporary.fd(), target);

    {
        FdOutBuf buffer(temporary.fd());
        std::ostream out(&buffer);
        try {
            write(out);
            if (!out || !buffer.flushAll())
                throw writeError(fileName, buffer.error() ? buffer.error() : EIO);
        } catch (...) {
            // The system's reason (a full disk) says more than a writer's
            // "Stream write error".
            if (buffer.error() != 0) throw writeError(fileName, buffer.error());
            throw;
        }
    }
    if (::fsync(temporary.fd()) != 0) throw writeError(fileName, errno);
    if (beforeNamingHook) beforeNamingHook();
    temporary.publish(baseNameOf(target.file), mode, fileName);
    if (const int err = temporary.close()) throw writeError(fileName, err);
    // The new name itself on the disk; a folder that cannot be flushed
    // (some network file systems) still holds it.
    ::fsync(folder.get());
}

void SimulateFileSystemForTesting(FileSystemForTesting fileSystem) {
    simulatedFileSystem = fileSystem;
}

void SetBeforeNamingHookForTesting(std::function<void()> hook) {
    beforeNamingHook = std::move(hook);
}
