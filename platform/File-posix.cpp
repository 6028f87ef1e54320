#include "platform/File.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace platform {

std::optional<File> File::Open(const std::string& path, int flags) {
    int descriptor = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return std::nullopt;
    }
    File file(descriptor);
    // A folder opens read-only on POSIX; callers ask for files only.
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        errno = EISDIR;
        return std::nullopt;
    }
    return file;
}

std::optional<File> File::OpenForReadWrite(const std::string& path) {
    return Open(path, O_RDWR);
}

std::optional<File> File::CreateTemporary(std::string& pathTemplate) {
    const int descriptor = ::mkostemp(pathTemplate.data(), O_CLOEXEC);
    if (descriptor < 0) {
        return std::nullopt;
    }
    return File(descriptor);
}

std::optional<File> File::OpenForReading(const std::string& path) {
    return Open(path, O_RDONLY);
}

std::optional<File> File::CreateAlways(const std::string& path) {
    return Open(path, O_WRONLY | O_CREAT | O_TRUNC);
}

std::optional<File> File::CreateNew(const std::string& path) {
    return Open(path, O_WRONLY | O_CREAT | O_EXCL);
}

File::File(File&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

File::~File() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

std::optional<std::uint64_t> File::Size() const {
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(status.st_size);
}

namespace {

// Reads count bytes into buffer through readSome(bytes, count, done), which reads at most count
// bytes after the done already read: up to the end of the file, retried when interrupted.
template <class ReadSome>
std::optional<std::size_t> ReadFully(void* buffer, std::size_t count, ReadSome readSome) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = readSome(bytes + done, count - done, done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace

std::optional<std::size_t> File::Read(void* buffer, std::size_t count) {
    return ReadFully(buffer, count, [this](char* bytes, std::size_t wanted, std::size_t) {
        return ::read(descriptor_, bytes, wanted);
    });
}

std::optional<std::size_t> File::ReadAt(std::uint64_t offset, void* buffer,
                                        std::size_t count) const {
    return ReadFully(
        buffer, count, [this, offset](char* bytes, std::size_t wanted, std::size_t done) {
            return ::pread(descriptor_, bytes, wanted, static_cast<off_t>(offset + done));
        });
}

bool File::Sync() {
    return ::fsync(descriptor_) == 0;
}

std::size_t File::Write(const void* data, std::size_t count) {
    return WriteAll(descriptor_, data, count);
}

bool File::SeekTo(std::uint64_t offset) {
    const auto position = static_cast<off_t>(offset);
    return position >= 0 && ::lseek(descriptor_, position, SEEK_SET) == position;
}

bool File::Truncate(std::uint64_t size) {
    return ::ftruncate(descriptor_, static_cast<off_t>(size)) == 0;
}

std::size_t WriteAll(int descriptor, const void* data, std::size_t count) {
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(descriptor, bytes + done, count - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            break;
        }
        done += static_cast<std::size_t>(put);
    }
    return done;
}

void ReportFileSizeLimitAsError() {
    ::signal(SIGXFSZ, SIG_IGN);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::optional<File> file = File::OpenForReading(path);
    const std::optional<std::uint64_t> size = file ? file->Size() : std::nullopt;
    if (!size) {
        return std::nullopt;
    }
    if (*size > std::string().max_size()) {
        errno = EFBIG;
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(*size), '\0');
    const std::optional<std::size_t> got = file->Read(bytes.data(), bytes.size());
    if (!got || *got != bytes.size()) {
        errno = got ? EIO : errno;  // a short read: the file shrank while it was read
        return std::nullopt;
    }
    return bytes;
}

}  // namespace platform
