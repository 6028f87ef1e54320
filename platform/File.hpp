#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// An open file, closed when the object goes away. Paths are the file system's bytes (UTF-8).
class File {
  public:
    // Opens an existing regular file for reading and writing; nullopt when it is missing, a
    // folder, not writable, or cannot be opened for another reason (errno tells which).
    static std::optional<File> OpenForReadWrite(const std::string& path);
    // Creates a new file, readable and writable by the owner alone, whose name is pathTemplate
    // with its final "XXXXXX" made unique (pathTemplate gets that name); nullopt on failure.
    static std::optional<File> CreateTemporary(std::string& pathTemplate);
    // Opens an existing regular file for reading only; nullopt as above.
    static std::optional<File> OpenForReading(const std::string& path);
    // Creates the file, or empties an existing one, for writing; nullopt when that fails.
    static std::optional<File> CreateAlways(const std::string& path);
    // Creates a new file for writing, never opening one that exists; nullopt when that fails.
    static std::optional<File> CreateNew(const std::string& path);

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    // The file's size in bytes, or nullopt when it cannot be asked for.
    std::optional<std::uint64_t> Size() const;
    // Reads up to count bytes from the current position, retrying short reads until count
    // bytes or the end; returns the bytes read, or nullopt on an error.
    std::optional<std::size_t> Read(void* buffer, std::size_t count);
    // Writes all count bytes at the current position; returns the bytes written before any
    // error, so a result below count means the write failed.
    std::size_t Write(const void* data, std::size_t count);
    // Reads up to count bytes at offset without moving the position, as Read does: several
    // threads may read one file at once.
    std::optional<std::size_t> ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    // Flushes what was written to the disk; false on failure.
    bool Sync();
    // Moves the position to offset bytes from the start; false on failure.
    bool SeekTo(std::uint64_t offset);
    // Cuts or extends the file to size bytes; false on failure.
    bool Truncate(std::uint64_t size);
    // The open descriptor, for the calls this class does not wrap (a mapping).
    int Descriptor() const { return descriptor_; }

  private:
    explicit File(int descriptor) : descriptor_(descriptor) {}
    static std::optional<File> Open(const std::string& path, int flags);

    int descriptor_ = -1;
};

// Writes count bytes to the open descriptor, again after an interrupted write; returns how many
// were written before an error ended it (count when all were).
std::size_t WriteAll(int descriptor, const void* data, std::size_t count);

// Makes a write past the process's file size limit fail with EFBIG, which the job reports as
// the book's reason, instead of ending the whole program with SIGXFSZ.
void ReportFileSizeLimitAsError();

// The whole regular file at path; nullopt with errno set when it cannot be opened or read in
// full (EIO when it shrank while it was read).
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace platform
