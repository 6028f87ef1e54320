#include "book/UnpackedTree.hpp"

#include <algorithm>

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

void PrepareUnpackedTree(const std::string& folder) {
    platform::MakeOwnerWritable(folder);
    std::optional<std::vector<FolderEntry>> entries = SortedEntries(folder);
    if (!entries) {
        return;
    }
    for (const FolderEntry& entry : *entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.type == EntryType::Folder) {
            PrepareUnpackedTree(path);
        } else if (entry.type == EntryType::File) {
            platform::MakeOwnerWritable(path);
        } else {
            platform::RemoveFile(path);
        }
    }
}

bool RemoveTree(const std::string& folder) {
    // A folder of the tree may have been unpacked read-only; its entries need it writable.
    platform::MakeOwnerWritable(folder);
    if (std::optional<std::vector<FolderEntry>> entries = platform::ListFolder(folder)) {
        for (const FolderEntry& entry : *entries) {
            const std::string path = folder + "/" + entry.name;
            if (entry.type == EntryType::Folder) {
                RemoveTree(path);
            } else {
                platform::RemoveFile(path);
            }
        }
    }
    return platform::RemoveFolder(folder);
}
