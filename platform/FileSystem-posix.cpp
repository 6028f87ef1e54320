#include "platform/FileSystem.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <linux/limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/File.hpp"

namespace platform {

namespace {

EntryType TypeOfMode(mode_t mode) {
    if (S_ISREG(mode)) {
        return EntryType::File;
    }
    if (S_ISDIR(mode)) {
        return EntryType::Folder;
    }
    if (S_ISLNK(mode)) {
        return EntryType::SymbolicLink;
    }
    return EntryType::Other;
}

struct FolderCloser {
    void operator()(DIR* folder) const { ::closedir(folder); }
};
using FolderHandle = std::unique_ptr<DIR, FolderCloser>;

bool IsDotName(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

EntryType TypeOfEntry(int folderDescriptor, const dirent& entry) {
    struct stat status {};
    if (::fstatat(folderDescriptor, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return EntryType::Missing;
    }
    return TypeOfMode(status.st_mode);
}

bool CopyContent(File& source, File& target) {
    std::array<char, 1 << 16> buffer{};
    for (;;) {
        std::optional<std::size_t> got = source.Read(buffer.data(), buffer.size());
        if (!got) {
            return false;
        }
        if (*got == 0) {
            return true;
        }
        if (target.Write(buffer.data(), *got) != *got) {
            return false;
        }
    }
}

}  // namespace

EntryType TypeOf(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return EntryType::Missing;
    }
    return TypeOfMode(status.st_mode);
}

std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder) {
    FolderHandle handle(::opendir(folder.c_str()));
    if (!handle) {
        return std::nullopt;
    }
    std::vector<FolderEntry> entries;
    while (const dirent* entry = ::readdir(handle.get())) {
        if (!IsDotName(entry->d_name)) {
            entries.push_back({entry->d_name, TypeOfEntry(::dirfd(handle.get()), *entry)});
        }
    }
    return entries;
}

bool CreateFolder(const std::string& folder) {
    return ::mkdir(folder.c_str(), 0777) == 0;
}

bool RemoveFolder(const std::string& folder) {
    return ::rmdir(folder.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool LinkNoReplace(const std::string& existing, const std::string& newName) {
    return ::link(existing.c_str(), newName.c_str()) == 0;
}

bool CopyNoReplace(const std::string& from, const std::string& to) {
    std::optional<File> source = File::OpenForReading(from);
    if (!source) {
        return false;
    }
    const int descriptor = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return false;
    }
    ::close(descriptor);
    std::optional<File> target = File::OpenForReadWrite(to);
    if (target && CopyContent(*source, *target)) {
        return true;
    }
    ::unlink(to.c_str());
    return false;
}

bool MoveNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // The file system cannot rename without replacing: a link cannot replace either.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    return ::unlink(from.c_str()) == 0;
}

bool MoveReplacing(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct statx status {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME,
                &status) != 0) {
        return std::nullopt;
    }
    const std::uint64_t born =
        (status.stx_mask & STATX_BTIME)
            ? static_cast<std::uint64_t>(status.stx_btime.tv_sec) * 1000000000u +
                  status.stx_btime.tv_nsec
            : 0;
    return FileIdentity{::makedev(status.stx_dev_major, status.stx_dev_minor), status.stx_ino, born,
                        status.stx_nlink, TypeOfMode(status.stx_mode)};
}

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return FileStamp{
        static_cast<std::uint64_t>(status.st_size),
        static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

std::optional<std::uint64_t> FreeSpace(const std::string& folder) {
    struct statvfs space {};
    if (::statvfs(folder.c_str(), &space) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
}

bool CreateFolderPath(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            return TypeOf(folder) == EntryType::Folder || (errno = ENOTDIR, false);
        }
    }
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool CanCreateIn(const std::string& folder) {
    struct stat status {};
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool MakeOwnerWritable(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || S_ISLNK(status.st_mode)) {
        return false;
    }
    mode_t wanted = status.st_mode | S_IRUSR | S_IWUSR;
    if (S_ISDIR(status.st_mode)) {
        wanted |= S_IXUSR;
    }
    return (wanted == status.st_mode) || ::chmod(path.c_str(), wanted & 07777) == 0;
}

std::optional<std::string> ResolvedPath(const std::string& path) {
    std::unique_ptr<char, decltype(&::free)> resolved(::realpath(path.c_str(), nullptr), &::free);
    if (!resolved) {
        return std::nullopt;
    }
    return std::string(resolved.get());
}

std::size_t LongestName(const std::string& folder) {
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return longest > 0 ? static_cast<std::size_t>(longest) : NAME_MAX;
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path.starts_with('/')) {
        return path;
    }
    return CurrentDirectory() + "/" + path;
}

std::string CurrentDirectory() {
    std::unique_ptr<char, decltype(&::free)> path(::getcwd(nullptr, 0), &::free);
    return path ? std::string(path.get()) : std::string();
}

std::string ExecutablePath() {
    std::array<char, PATH_MAX> buffer{};
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return {};
    }
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string UserBaseFolder(const char* variable, const char* underHome) {
    const char* base = std::getenv(variable);
    if (base != nullptr && base[0] == '/') {
        return base;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/" + underHome;
    }
    return {};
}

}  // namespace platform
