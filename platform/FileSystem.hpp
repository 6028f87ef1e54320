#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What a name stands for, as the name itself says (symbolic links are never followed).
enum class EntryType { Missing, File, Folder, SymbolicLink, Other };

// One entry of a folder; never "." or "..".
struct FolderEntry {
    std::string name;
    EntryType type = EntryType::Other;
};

// The type of the name path itself (lstat); Missing when it cannot be asked for.
EntryType TypeOf(const std::string& path);

// The entries of folder in the order the system yields them; nullopt when it cannot be read.
std::optional<std::vector<FolderEntry>> ListFolder(const std::string& folder);

// Creates the folder; false when the name exists already or it cannot be made.
bool CreateFolder(const std::string& folder);
// Removes an empty folder; false when it is not empty or cannot be removed.
bool RemoveFolder(const std::string& folder);
// Removes a file or a symbolic link itself; false when that fails.
bool RemoveFile(const std::string& path);

// Gives the file at existing the second name newName; false when newName exists already or the
// file system cannot link (errno tells which).
bool LinkNoReplace(const std::string& existing, const std::string& newName);
// Copies the file at from to a new file to; false when to exists already or the copy fails
// (a partial copy is removed).
bool CopyNoReplace(const std::string& from, const std::string& to);
// Moves from to the name to; false when to exists already or the move fails.
bool MoveNoReplace(const std::string& from, const std::string& to);
// Moves the file from to the name to, replacing a file of that name; false when that fails.
bool MoveReplacing(const std::string& from, const std::string& to);

// Who a name stands for: the file system's identity of the entry (not followed) and its links.
// An inode number is reused once its file is gone; the birth time tells the new file apart.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t born = 0;  // nanoseconds since 1970; 0 where the file system does not tell
    std::uint64_t links = 0;
    EntryType type = EntryType::Missing;

    // True when both name the same file, born at the same moment where that is known.
    bool SameFileAs(const FileIdentity& other) const {
        return device == other.device && inode == other.inode &&
               (born == 0 || other.born == 0 || born == other.born);
    }
};
// The identity of the name path itself (lstat); nullopt when it cannot be asked for.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// The size and last change of a regular file, to tell whether it changed since it was seen.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds since 1970
};
// The stamp of the regular file that path names, symbolic links followed; nullopt when it is
// not a regular file or cannot be asked for.
std::optional<FileStamp> StampOf(const std::string& path);

// The bytes that an unprivileged user may still write in the file system of folder; nullopt
// when it cannot be asked for.
std::optional<std::uint64_t> FreeSpace(const std::string& folder);

// Creates folder and every missing folder above it, for the owner alone; false when that fails.
bool CreateFolderPath(const std::string& folder);

// True when a and b name the same existing file (links followed); false otherwise.
bool SameFile(const std::string& a, const std::string& b);

// True when this process may create names in folder (an existing folder it can write and enter).
bool CanCreateIn(const std::string& folder);

// Lets the owner read, write and (for a folder) enter path; false when that fails.
bool MakeOwnerWritable(const std::string& path);

// The path of the file that path names, every symbolic link on the way followed and "." and
// ".." taken away (realpath); nullopt when it cannot be told (errno).
std::optional<std::string> ResolvedPath(const std::string& path);
// The longest name, in bytes, of one entry in folder (255 where the file system does not tell).
std::size_t LongestName(const std::string& folder);

// path itself when it begins with "/" (or is empty), else path under the current directory.
std::string AbsolutePath(const std::string& path);
// The process's current directory; empty when it cannot be told.
std::string CurrentDirectory();
// The full path of the running executable; empty when it cannot be told.
std::string ExecutablePath();
// A per-user base folder as the XDG rule gives it: the environment variable's value when it is
// an absolute path, else underHome in $HOME (absolute too); empty when neither is.
std::string UserBaseFolder(const char* variable, const char* underHome);

}  // namespace platform
