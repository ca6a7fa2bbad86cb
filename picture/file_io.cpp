#include "picture/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>
#include <iterator>
#include <ostream>
#include <streambuf>

#include "picture/errors.h"

namespace {

std::string systemReason(int err) { return std::strerror(err); }

// An output stream buffer straight onto a file descriptor, so that the file
// can be flushed to the disk before it is renamed.
class FdOutBuf : public std::streambuf {
public:
    explicit FdOutBuf(int fd) : fd_(fd) { setp(buffer_, buffer_ + sizeof buffer_); }
    ~FdOutBuf() override = default;

    // False when some write failed; errno_ tells why.
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

// Creates a fresh temporary file beside the target; its permissions follow
// the target's when the target exists, the umask otherwise.
int createTemporary(const std::string& fileName, std::string& tempName) {
    static std::atomic<unsigned> counter{0};
    struct stat targetInfo {};
    const bool targetExists = ::stat(fileName.c_str(), &targetInfo) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = folderOf(fileName) + "/." + baseNameOf(fileName) + ".skalomi-" +
                   std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (targetExists) ::fchmod(fd, targetInfo.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST) break;
    }
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + systemReason(errno));
}

}  // namespace

std::ifstream OpenForReading(const std::string& fileName) {
    auto refuse = [&](int err) {
        return EFOpenError("Cannot open file \"" + fileName + "\". " + systemReason(err));
    };
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) throw refuse(errno);
    if (S_ISDIR(info.st_mode)) throw refuse(EISDIR);
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw refuse(errno ? errno : EACCES);
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
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    if (stream.bad()) throw EReadError();
    return bytes;
}

void WriteBytesToStream(std::ostream& stream, const std::vector<std::uint8_t>& bytes) {
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!stream) throw EWriteError();
}

void WriteFileAtomically(const std::string& fileName, const std::vector<std::uint8_t>& bytes) {
    WriteFileAtomically(fileName, [&bytes](std::ostream& out) {
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    });
}

void WriteFileAtomically(const std::string& fileName,
                         const std::function<void(std::ostream&)>& write) {
    std::string tempName;
    const int fd = createTemporary(fileName, tempName);
    auto discard = [&] {
        ::close(fd);
        ::unlink(tempName.c_str());
    };
    try {
        FdOutBuf buffer(fd);
        std::ostream out(&buffer);
        write(out);
        if (!out || !buffer.flushAll()) {
            throw EWriteError("Cannot write file \"" + fileName + "\". " +
                              systemReason(buffer.error() ? buffer.error() : EIO));
        }
    } catch (...) {
        discard();
        throw;
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const int err = errno;
        ::unlink(tempName.c_str());
        throw EWriteError("Cannot write file \"" + fileName + "\". " + systemReason(err));
    }
    if (::rename(tempName.c_str(), fileName.c_str()) != 0) {
        const int err = errno;
        ::unlink(tempName.c_str());
        throw EFCreateError("Cannot create file \"" + fileName + "\". " + systemReason(err));
    }
}
