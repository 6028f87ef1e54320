#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

// One entry of a ZIP archive built in a test. mode carries the Unix type and permissions, so a
// test can store folders, read-only files and symbolic links (bytes then hold the link target).
struct ZipEntrySpec {
    std::string name;
    std::string bytes;
    std::uint32_t mode = S_IFREG | 0644;
};

namespace zip_detail {

inline std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

inline void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

inline void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// The fields that the local and the central header share, from "version needed" on.
inline void PutCommonFields(std::string& out, const ZipEntrySpec& entry) {
    const auto size = static_cast<std::uint32_t>(entry.bytes.size());
    Put16(out, 10);      // version needed
    Put16(out, 0x0800);  // names are UTF-8
    Put16(out, 0);       // stored
    Put16(out, 0);       // time
    Put16(out, 0x21);    // 1980-01-01
    Put32(out, Crc32(entry.bytes));
    Put32(out, size);
    Put32(out, size);
    Put16(out, static_cast<std::uint32_t>(entry.name.size()));
    Put16(out, 0);  // extra field length
}

}  // namespace zip_detail

// Writes a ZIP archive of stored entries, in the order given, to path.
inline void WriteZip(const std::string& path, const std::vector<ZipEntrySpec>& entries) {
    using namespace zip_detail;
    std::string archive;
    std::string central;
    for (const ZipEntrySpec& entry : entries) {
        const auto offset = static_cast<std::uint32_t>(archive.size());
        Put32(archive, 0x04034b50);
        PutCommonFields(archive, entry);
        archive += entry.name + entry.bytes;
        Put32(central, 0x02014b50);
        Put16(central, (3u << 8) | 30u);  // made on Unix, so the mode is honoured
        PutCommonFields(central, entry);
        Put16(central, 0);  // comment length
        Put16(central, 0);  // disk
        Put16(central, 0);  // internal attributes
        Put32(central, entry.mode << 16);
        Put32(central, offset);
        central += entry.name;
    }
    const auto centralOffset = static_cast<std::uint32_t>(archive.size());
    archive += central;
    Put32(archive, 0x06054b50);
    Put16(archive, 0);
    Put16(archive, 0);
    Put16(archive, static_cast<std::uint32_t>(entries.size()));
    Put16(archive, static_cast<std::uint32_t>(entries.size()));
    Put32(archive, static_cast<std::uint32_t>(central.size()));
    Put32(archive, centralOffset);
    Put16(archive, 0);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(archive.data(), static_cast<std::streamsize>(archive.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

// True when the archive at path begins with a stored entry named "mimetype", as EPUB requires.
inline bool StartsWithStoredMimetype(const std::string& archive) {
    if (archive.size() < 38 || archive.compare(0, 4, "PK\x03\x04") != 0) {
        return false;
    }
    const auto byteAt = [&archive](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(archive[at]));
    };
    const unsigned method = byteAt(8) | (byteAt(9) << 8);
    const unsigned nameLength = byteAt(26) | (byteAt(27) << 8);
    return method == 0 && nameLength == 8 && archive.compare(30, 8, "mimetype") == 0;
}

}  // namespace testing_support
