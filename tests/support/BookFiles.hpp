#pragma once

#include <sys/stat.h>
#include <sys/wait.h>

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "tests/support/TempFolder.hpp"

namespace testing_support {

constexpr std::uint8_t kMadeOnUnix = 3;
constexpr std::uint8_t kMadeOnDos = 0;

// An entry of a test's ZIP archive; mode gives folders, read-only files and symbolic links
// (whose bytes are the target). An entry made on DOS or Windows keeps only the folder flag.
struct ZipEntryPlan {
    std::string name;
    std::string bytes;
    std::uint32_t mode = S_IFREG | 0644;
    std::uint8_t host = kMadeOnUnix;
    std::uint16_t flags = 0x0800;  // general-purpose flags: the name is UTF-8
    std::string extra{};           // extra fields, in both headers
};

inline void Put(std::string& out, std::initializer_list<std::pair<std::uint64_t, int>> fields) {
    for (const auto& [value, width] : fields) {
        for (int i = 0; i < width; ++i) {
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    }
}

inline std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

// Writes a ZIP archive of stored entries, in the order given.
inline void WriteZip(const std::string& path, const std::vector<ZipEntryPlan>& entries) {
    std::string archive, central;
    for (const ZipEntryPlan& e : entries) {
        const std::uint32_t crc = Crc32(e.bytes);
        // Both headers: version 1.0, flags, stored, dated 1980-01-01, CRC, sizes, name.
        std::string shared;
        Put(shared, {{10, 2}, {e.flags, 2}, {0, 4}, {0x21, 2}, {crc, 4}, {e.bytes.size(), 4}});
        Put(shared, {{e.bytes.size(), 4}, {e.name.size(), 2}, {e.extra.size(), 2}});
        const std::uint32_t attributes =
            e.host == kMadeOnUnix ? e.mode << 16 : (S_ISDIR(e.mode) ? 0x10u : 0x20u);
        Put(central, {{0x02014b50, 4}, {(e.host << 8) | 30u, 2}});
        Put(central += shared, {{0, 6}, {attributes, 4}, {archive.size(), 4}});
        central += e.name + e.extra;
        Put(archive, {{0x04034b50, 4}});
        archive += shared + e.name + e.extra + e.bytes;
    }
    const std::size_t offset = archive.size();
    Put(archive += central, {{0x06054b50, 4}, {0, 4}, {entries.size(), 2}, {entries.size(), 2}});
    Put(archive, {{central.size(), 4}, {offset, 4}, {0, 2}});
    WriteFileBytes(path, archive);
}

// The archive with its end record's comment made comment (the record is its last 22 bytes).
inline std::string WithComment(std::string archive, const std::string& comment) {
    Put(archive.erase(archive.size() - 2), {{comment.size(), 2}});
    return archive + comment;
}

// True when the archive's bytes begin with a stored entry named "mimetype", as EPUB requires.
inline bool StartsWithStoredMimetype(const std::string& archive) {
    return archive.starts_with("PK\3\4") && archive.substr(8, 2) == std::string(2, '\0') &&
           archive.substr(26, 2) == std::string("\x08\0", 2) && archive.substr(30, 8) == "mimetype";
}

// Bytes that are not UTF-8 (as in images and fonts), so the conversion must leave them alone.
inline std::string BinaryBytes(char seed) {
    return "\x89PNG\r\n\x1a\n" + std::string(512, static_cast<char>(0x80 + seed));
}

// A small book in Simplified script: "这是一本简体书" becomes "這是一本簡體書".
inline std::vector<ZipEntryPlan> SampleBookEntries() {
    return {{"mimetype", "application/epub+zip"},
            {"META-INF/container.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><container/>\n"},
            {"OEBPS/chapter.xhtml", "<p>这是一本简体书。</p>\n"},
            {"OEBPS/style.css", "body { margin: 0; }\n"},
            {"OEBPS/images/cover.png", BinaryBytes(1)},
            {"OEBPS/fonts/book.ttf", BinaryBytes(2)}};
}

inline std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

struct CommandOutput {
    int exitStatus;
    std::string standardOutput;
};

inline CommandOutput RunShellCommand(const std::string& command) {
    CommandOutput result{-1, ""};
    FILE* pipe = ::popen(command.c_str(), "r");
    for (int c; (c = std::fgetc(pipe)) != EOF;) {
        result.standardOutput += static_cast<char>(c);
    }
    const int status = ::pclose(pipe);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline void WriteScript(const std::string& path, const std::string& body) {
    WriteFileBytes(path, "#!/bin/sh\n" + body);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

struct ScopedPath {
    explicit ScopedPath(const std::string& value) { ::setenv("PATH", value.c_str(), 1); }
    ScopedPath(const ScopedPath&) = delete;
    ScopedPath& operator=(const ScopedPath&) = delete;
    ~ScopedPath() { ::setenv("PATH", old.c_str(), 1); }
    const std::string old = std::getenv("PATH");
};

inline std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// The files of the archive (symbolic links by their target), unpacked with the real unzip.
inline std::map<std::string, std::string> ReadArchive(const std::string& archive) {
    TempFolder root;
    RunShellCommand("unzip -qq -o " + ShellQuoted(archive) + " -d " + ShellQuoted(root.path()));
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root.path())) {
        if (entry.is_symlink() || !entry.is_directory()) {
            files[std::filesystem::relative(entry.path(), root.path()).string()] =
                entry.is_symlink() ? "-> " + std::filesystem::read_symlink(entry.path()).string()
                                   : ReadFileBytes(entry.path().string());
        }
    }
    return files;
}

// text in GB18030 (GBK for Chinese characters), as the system's own iconv writes it.
inline std::string Gb18030(const std::string& text) {
    return RunShellCommand("printf %s " + ShellQuoted(text) + " | iconv -f UTF-8 -t GB18030")
        .standardOutput;
}

// An entry as the archive stores it.
struct StoredEntry {
    int flags = 0;       // general-purpose flags in the central directory
    int localFlags = 0;  // and in the local header
    int method = 0;
    std::uint32_t crc = 0;
    std::string data;  // compressed
    bool SameContent(const StoredEntry& other) const {
        return method == other.method && crc == other.crc && data == other.data;
    }
};

// Every entry of the archive by name, read from its central directory and local headers.
inline std::map<std::string, StoredEntry> StoredEntries(const std::string& archive) {
    const std::string bytes = ReadFileBytes(archive);
    auto field = [&](std::size_t at, int width) {
        std::uint32_t value = 0;
        for (int i = width - 1; i >= 0; --i) {
            value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
        }
        return value;
    };
    std::map<std::string, StoredEntry> entries;
    const std::size_t end = bytes.rfind("PK\5\6");
    for (std::size_t at = field(end + 16, 4); bytes.compare(at, 4, "PK\1\2") == 0;) {
        const std::size_t nameLength = field(at + 28, 2);
        const std::size_t local = field(at + 42, 4);
        const std::size_t data = local + 30 + field(local + 26, 2) + field(local + 28, 2);
        entries[bytes.substr(at + 46, nameLength)] = {
            static_cast<int>(field(at + 8, 2)), static_cast<int>(field(local + 6, 2)),
            static_cast<int>(field(at + 10, 2)), field(at + 16, 4),
            bytes.substr(data, field(at + 20, 4))};
        at += 46 + nameLength + field(at + 30, 2) + field(at + 32, 2);
    }
    return entries;
}

inline std::string WriteSampleBook(const std::string& path,
                                   const std::vector<ZipEntryPlan>& extra = {}) {
    std::vector<ZipEntryPlan> entries = SampleBookEntries();
    entries.insert(entries.end(), extra.begin(), extra.end());
    WriteZip(path, entries);
    return path;
}

}  // namespace testing_support
