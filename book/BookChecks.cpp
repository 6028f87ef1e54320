#include "book/BookChecks.hpp"

#include <linux/limits.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <vector>

#include "book/archive/CentralDirectory.hpp"
#include "book/archive/EntryNames.hpp"
#include "book/tree/UnpackedTree.hpp"
#include "platform/ErrorReason.hpp"
#include "platform/File.hpp"
#include "platform/FileSystem.hpp"

namespace {

constexpr const char* kNotZip = "书不是 ZIP 文件或已损坏（读不出它的条目目录）";
constexpr const char* kEncrypted = "书中有加密条目，无法处理：";
constexpr std::uint64_t kMebibyte = 1024 * 1024;
constexpr std::uint64_t kLeastMargin = kMebibyte;

std::uint64_t SaturatingSum(std::uint64_t a, std::uint64_t b) {
    return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

// The first bytes of text, at most count, never cutting a UTF-8 character in two.
std::string Beginning(const std::string& text, std::size_t count) {
    if (text.size() <= count) {
        return text;
    }
    while (count > 0 && (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80) {
        --count;
    }
    return text.substr(0, count);
}

std::string InMebibytes(std::uint64_t bytes) {
    return std::to_string((bytes + kMebibyte - 1) / kMebibyte) + " MB";
}

// Adds the relative path of every file under folder (below prefix) to files.
void CollectFiles(const std::string& folder, const std::string& prefix,
                  std::vector<std::string>& files) {
    const std::optional<std::vector<platform::FolderEntry>> entries = SortedEntries(folder);
    for (const platform::FolderEntry& entry :
         entries.value_or(std::vector<platform::FolderEntry>{})) {
        if (entry.type == platform::EntryType::File) {
            files.push_back(prefix + entry.name);
        } else if (entry.type == platform::EntryType::Folder) {
            CollectFiles(folder + "/" + entry.name, prefix + entry.name + "/", files);
        }
    }
}

// Why the archive could be read more than one way, or its names unpacked otherwise than they
// stand (one of two entries of one name lost, a character dropped); nullopt when it cannot.
std::optional<std::string> CheckOneReading(const CentralDirectory& directory) {
    std::uint64_t entries = 0;
    ForEachEntry(directory.bytes, [&entries](const DirectoryEntry&) { ++entries; });
    if (!directory.readsOneWay) {
        return "书的条目目录有不止一种读法（ZIP 结尾记录不唯一或不在文件末尾），无法处理";
    }
    // The end record's 16-bit count wraps; a Zip64 one does not.
    if (directory.declaredEntries != entries && directory.declaredEntries != (entries & 0xFFFF)) {
        return "书的结尾记录所说的条目数与条目目录不符，无法处理";
    }
    const std::optional<NameProblem> problem = FindNameProblem(directory.bytes);
    if (!problem) {
        return std::nullopt;
    }
    switch (problem->kind) {
        case NameProblem::Kind::ControlCharacter:
            return "书中有条目的名称含有控制字符，无法处理：" + problem->name;
        case NameProblem::Kind::Twice:
            return "书中有两个同名条目，无法处理：" + problem->name;
        case NameProblem::Kind::FileAndFolder:
            break;
    }
    return "书中有同名的文件和文件夹，无法处理：" + problem->name;
}

}  // namespace

std::uint64_t SpaceMargin(std::uint64_t needed) {
    return kLeastMargin + needed / 20;
}

std::optional<std::string> CheckDirectory(const std::string& bookPath,
                                          const std::optional<CentralDirectory>& directory,
                                          std::uint64_t& unpacked) {
    std::string encrypted;
    std::string tooLong;
    unpacked = 0;
    const bool whole =
        directory && ForEachEntry(directory->bytes, [&](const DirectoryEntry& entry) {
            if (entry.encrypted && encrypted.empty()) {
                encrypted = entry.name;
            }
            if (bookPath.size() + 1 + entry.name.size() >= PATH_MAX && tooLong.empty()) {
                tooLong = entry.name;
            }
            // Sizes are the book's word: a hostile one may claim up to 16 EiB in all.
            unpacked = SaturatingSum(unpacked, entry.uncompressedSize);
        });
    if (!whole) {
        return kNotZip;
    }
    if (std::optional<std::string> refusal = CheckOneReading(*directory)) {
        return refusal;
    }
    if (!encrypted.empty()) {
        return kEncrypted + encrypted;
    }
    if (!tooLong.empty()) {
        return "书中有条目的路径太长，系统无法解出：" + Beginning(tooLong, 200) + "…";
    }
    return std::nullopt;
}

std::optional<std::string> CheckFreeSpace(const std::string& folder, std::uint64_t needed,
                                          const std::string& task) {
    const std::optional<std::uint64_t> free = platform::FreeSpace(folder);
    if (free && *free < needed) {
        return "磁盘空间不足：" + task + "这本书需要约 " + InMebibytes(needed) + "，" + folder +
               " 只剩 " + InMebibytes(*free);
    }
    return std::nullopt;
}

std::optional<std::string> CheckBeforeUnpack(const std::string& bookPath,
                                             const std::string& folder) {
    std::optional<platform::File> book = platform::File::OpenForReading(bookPath);
    if (!book) {
        return platform::ReasonOf("无法打开书文件", errno);
    }
    std::uint64_t unpacked = 0;
    if (std::optional<std::string> refusal =
            CheckDirectory(bookPath, ReadCentralDirectory(*book), unpacked)) {
        return refusal;
    }
    const std::uint64_t bookSize = book->Size().value_or(0);
    // The unpacked tree, a relabelled copy of the book and the output beside it.
    const std::uint64_t needed = SaturatingSum(SaturatingSum(unpacked, SpaceMargin(unpacked)),
                                               SaturatingSum(bookSize, bookSize));
    return CheckFreeSpace(folder, needed, "解包");
}

std::optional<std::string> CheckEverythingPacked(const std::string& packed,
                                                 const std::string& folder) {
    const std::optional<std::vector<ArchiveEntry>> entries = ListArchive(packed);
    if (!entries) {
        return "压缩程序写出的文件读不出条目目录";
    }
    std::set<std::string> names;
    for (const ArchiveEntry& entry : *entries) {
        names.insert(entry.name);
    }
    std::vector<std::string> files;
    CollectFiles(folder, "", files);
    for (const std::string& file : files) {
        if (!names.contains(file)) {
            return "压缩程序没有把 " + file + " 放进输出文件";
        }
    }
    return std::nullopt;
}
