#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A regular file mapped read-only into memory, unmapped when the object goes away: a large file
// read once, without a buffer of its size to fill first. The file must not be cut short while
// mapped; files replaced by a rename (ReplacementFile) are safe, as the mapping keeps the old.
class MappedFile {
  public:
    // Maps the whole file at path; nullopt with errno set when it cannot be opened or mapped
    // (a folder gives EISDIR). An empty file maps to no bytes.
    static std::optional<MappedFile> Open(const std::string& path);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    std::string_view Bytes() const { return {static_cast<const char*>(address_), size_}; }

  private:
    MappedFile(void* address, std::size_t size) : address_(address), size_(size) {}

    void* address_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace platform
