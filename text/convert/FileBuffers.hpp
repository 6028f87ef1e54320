#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "platform/File.hpp"

// Whole-file buffers shared by the file routines of this folder.
namespace text {

// An uninitialised heap array of count elements, or nullptr when it cannot be allocated.
template <typename T>
std::unique_ptr<T[]> TryAllocate(std::size_t count) {
    try {
        return std::make_unique_for_overwrite<T[]>(count);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The file's size as a count of bytes this process can hold, or nullopt when it cannot be
// asked for or does not fit.
std::optional<std::size_t> FileSize(const platform::File& file);

// Reads exactly size bytes from the current position into bytes; false on an error (errno
// tells which) or a short read (errno 0: the file changed under us), so the caller never uses
// bytes it did not read.
bool ReadExactly(platform::File& file, unsigned char* bytes, std::size_t size);

// All the size bytes of a file, followed by a zero byte.
struct WholeFile {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size = 0;
};

// Opens the file at path for reading and writing (a file we may not write is not ours to
// rewrite) and reads it whole; nullopt, having printed the diagnostic line and set failure to
// a readable reason, when it cannot be opened, sized, held or read in full.
std::optional<WholeFile> OpenAndReadWhole(const std::string& path, std::string& failure);

// The bytes of bytes[0..size) before the first zero byte, all of them when there is none.
std::string_view TextBeforeZero(const unsigned char* bytes, std::size_t size);

}  // namespace text
