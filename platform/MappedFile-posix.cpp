#include "platform/MappedFile.hpp"

#include <sys/mman.h>

#include <cerrno>
#include <utility>

#include "platform/File.hpp"

namespace platform {

std::optional<MappedFile> MappedFile::Open(const std::string& path) {
    const std::optional<File> file = File::OpenForReading(path);
    if (!file) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> size = file->Size();
    if (!size) {
        return std::nullopt;
    }
    if (*size == 0) {
        return MappedFile(nullptr, 0);
    }
    // The whole file is read at once: its pages are mapped in one call, not a fault at a time.
    void* address =
        ::mmap(nullptr, *size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file->Descriptor(), 0);
    if (address == MAP_FAILED) {
        return std::nullopt;
    }
    return MappedFile(address, *size);
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : address_(std::exchange(other.address_, nullptr)), size_(std::exchange(other.size_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        if (address_ != nullptr) {
            ::munmap(address_, size_);
        }
        address_ = std::exchange(other.address_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

MappedFile::~MappedFile() {
    if (address_ != nullptr) {
        ::munmap(address_, size_);
    }
}

}  // namespace platform
