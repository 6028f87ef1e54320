#include "platform/LockedFile.hpp"

#include "platform/File.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {

std::optional<LockedFile> LockedFile::Lock(int descriptor, const std::string& path) {
    if (descriptor < 0) {
        return std::nullopt;
    }
    LockedFile file(descriptor, path);
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        return std::nullopt;
    }
    // Another process may have removed or replaced the name before the lock was ours: the lock
    // counts only for the file that still bears the name.
    struct stat held {};
    struct stat named {};
    if (::fstat(descriptor, &held) != 0 || ::stat(path.c_str(), &named) != 0 ||
        held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
        errno = ESTALE;
        return std::nullopt;
    }
    return file;
}

std::optional<LockedFile> LockedFile::Create(const std::string& path) {
    return Lock(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600), path);
}

std::optional<LockedFile> LockedFile::TryLock(const std::string& path) {
    return Lock(::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOFOLLOW), path);
}

LockedFile::LockedFile(LockedFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), path_(std::move(other.path_)) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
        descriptor_ = std::exchange(other.descriptor_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

LockedFile::~LockedFile() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

bool LockedFile::Append(const std::string& bytes) {
    return WriteAll(descriptor_, bytes.data(), bytes.size()) == bytes.size();
}

std::optional<std::string> LockedFile::ReadAll() {
    std::string content;
    char buffer[4096];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(descriptor_, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            return content;
        }
        content.append(buffer, static_cast<std::size_t>(got));
        at += got;
    }
}

bool LockedFile::Remove() {
    return ::unlink(path_.c_str()) == 0;
}

}  // namespace platform
