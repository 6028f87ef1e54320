#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "book/archive/ZipReader.hpp"
#include "platform/File.hpp"

// Writing a book's entries one after another into a new archive, then its central directory.

// Raw deflate (no zlib wrapper) of bytes at zlib's level; throws std::bad_alloc when memory runs
// out.
std::string DeflateRaw(std::string_view bytes, int level);

// An entry written with headers of its own: the source entry's time, attributes and system.
struct NewEntry {
    const ZipEntry& source;
    std::string name;
    std::uint16_t method = kDeflated;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    bool utf8Flag = false;  // the name is flagged as UTF-8
};

class ZipWriter {
  public:
    // Writes into out, an empty file open for writing.
    explicit ZipWriter(platform::File& out) : out_(out) {}

    // Copies the entry of book as it stands: local header, data and data descriptor byte for
    // byte, and its central header with the new offset. utf8Flag sets the UTF-8 flag of its
    // name in both headers.
    bool AddCopy(const platform::File& book, const ZipEntry& entry, bool utf8Flag);
    // Writes the entry with new headers before data, the entry's data as the method compresses
    // it.
    bool AddNew(const NewEntry& entry, std::string_view data);
    // Writes the entry with new headers before the source entry's data, copied from book.
    bool AddRenamed(const platform::File& book, const NewEntry& entry);
    // Writes the central directory and its end record.
    bool Finish();

    // Why the last call failed: the system's error number (EFBIG past what a plain archive
    // holds).
    int Error() const { return error_; }

  private:
    bool Put(std::string_view bytes);
    bool CopyRange(const platform::File& book, std::uint64_t from, std::uint64_t count);
    bool StartEntry(std::uint64_t compressedSize);
    bool PutHeaders(const NewEntry& entry, std::uint64_t compressedSize);
    bool Fail(int error);

    platform::File& out_;
    std::uint64_t written_ = 0;
    std::uint64_t count_ = 0;
    std::string central_;
    int error_ = 0;
};
