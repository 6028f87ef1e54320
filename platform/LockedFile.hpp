#pragma once

#include <optional>
#include <string>

namespace platform {

// A file held under an exclusive lock (flock) for the life of the object: other processes can
// tell whether its owner is still alive, since the system drops the lock when a process dies.
class LockedFile {
  public:
    // Creates the file at path and locks it; nullopt when it exists or cannot be made (errno).
    static std::optional<LockedFile> Create(const std::string& path);
    // Locks the existing file at path when no live process holds it; nullopt when one does, or
    // the file is gone or was replaced meanwhile.
    static std::optional<LockedFile> TryLock(const std::string& path);

    LockedFile(LockedFile&& other) noexcept;
    LockedFile& operator=(LockedFile&& other) noexcept;
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    ~LockedFile();

    // Adds bytes at the end of the file; false when not all of them were written.
    bool Append(const std::string& bytes);
    // The whole content of the file; nullopt when it cannot be read.
    std::optional<std::string> ReadAll();
    // Removes the file's name while the lock is still held; false when that fails.
    bool Remove();

    const std::string& Path() const { return path_; }

  private:
    LockedFile(int descriptor, std::string path)
        : descriptor_(descriptor), path_(std::move(path)) {}
    static std::optional<LockedFile> Lock(int descriptor, const std::string& path);

    int descriptor_ = -1;
    std::string path_;
};

}  // namespace platform
