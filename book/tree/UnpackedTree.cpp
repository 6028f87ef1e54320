#include "book/tree/UnpackedTree.hpp"

#include <algorithm>
#include <cerrno>

#include "platform/ErrorReason.hpp"

using platform::EntryType;
using platform::FolderEntry;

std::optional<std::vector<FolderEntry>> SortedEntries(const std::string& folder) {
    std::optional<std::vector<FolderEntry>> entries = platform::ListFolder(folder);
    if (entries) {
        std::sort(entries->begin(), entries->end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    }
    return entries;
}

namespace {

// Gives the file at path a content of its own when it shares it with another name (perhaps a
// file outside the book): a copy takes its place. The reason when that fails.
std::optional<std::string> BreakHardLink(const std::string& path) {
    const std::optional<platform::FileIdentity> identity = platform::IdentityOf(path);
    if (!identity || identity->links < 2) {
        return std::nullopt;
    }
    const std::string copy = path + "~corvela-copy";
    if (!platform::CopyNoReplace(path, copy)) {
        return platform::ReasonOf("无法复制有硬链接的文件 " + path, errno);
    }
    if (!platform::MoveReplacing(copy, path)) {
        const int error = errno;
        platform::RemoveFile(copy);
        return platform::ReasonOf("无法替换有硬链接的文件 " + path, error);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> PrepareUnpackedTree(const std::string& folder) {
    platform::MakeOwnerWritable(folder);
    std::optional<std::vector<FolderEntry>> entries = SortedEntries(folder);
    if (!entries) {
        return std::nullopt;
    }
    for (const FolderEntry& entry : *entries) {
        const std::string path = folder + "/" + entry.name;
        std::optional<std::string> failure;
        if (entry.type == EntryType::Folder) {
            failure = PrepareUnpackedTree(path);
        } else if (entry.type == EntryType::File) {
            // A shared file is copied first, so that the other name keeps its mode.
            failure = BreakHardLink(path);
            platform::MakeOwnerWritable(path);
        } else {
            platform::RemoveFile(path);
        }
        if (failure) {
            return failure;
        }
    }
    return std::nullopt;
}

bool DeleteTree(const std::string& folder) {
    // A folder of the tree may have been unpacked read-only; its entries need it writable.
    platform::MakeOwnerWritable(folder);
    if (std::optional<std::vector<FolderEntry>> entries = platform::ListFolder(folder)) {
        for (const FolderEntry& entry : *entries) {
            const std::string path = folder + "/" + entry.name;
            if (entry.type == EntryType::Folder) {
                DeleteTree(path);
            } else {
                platform::RemoveFile(path);
            }
        }
    }
    return platform::RemoveFolder(folder);
}
