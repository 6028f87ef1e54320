#include "book/MemoryBook.hpp"

#include <algorithm>
#include <cerrno>
#include <new>

#include "book/archive/EntryNames.hpp"
#include "text/unicode/BinarySignature.hpp"

using platform::EntryType;
using platform::FolderEntry;

namespace {

std::string Joined(const std::vector<std::string>& parts, std::size_t count) {
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        path += (i == 0 ? "" : "/") + parts[i];
    }
    return path;
}

// The full path under the root of the first count parts.
std::string UnderRoot(const std::vector<std::string>& parts, std::size_t count) {
    return count == 0 ? kMemoryRoot : std::string(kMemoryRoot) + "/" + Joined(parts, count);
}

std::string LastName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

}  // namespace

std::string BookItem::Path() const {
    return Joined(parts, parts.size());
}

std::string BookItem::OutputName() const {
    return Path() + (folder ? "/" : "");
}

MemoryBook::MemoryBook(const platform::File& file, std::vector<ZipEntry> entries, bool decodeNames)
    : file_(file) {
    for (ZipEntry& entry : entries) {
        const DirectoryEntry listed = entry.AsDirectoryEntry();
        BookItem item;
        item.parts = PathParts(listed, decodeNames);
        item.folder = NamesFolder(listed);
        if (item.parts.empty() || entry.symbolicLink) {
            continue;
        }
        item.source = std::move(entry);
        AddToFolders(item);
        items_.push_back(std::move(item));
    }
}

void MemoryBook::AddToFolders(const BookItem& item) {
    for (std::size_t count = 0; count < item.parts.size(); ++count) {
        const bool isFile = count + 1 == item.parts.size() && !item.folder;
        folders_[UnderRoot(item.parts, count)][item.parts[count]] =
            isFile ? EntryType::File : EntryType::Folder;
    }
    if (item.folder) {
        folders_[UnderRoot(item.parts, item.parts.size())];
    }
}

std::optional<std::string> MemoryBook::ReadHeads() {
    for (BookItem& item : items_) {
        if (item.folder) {
            continue;
        }
        if (std::optional<std::string> failure =
                InflateHead(file_, item.source, text::kSignatureLength, item.head)) {
            return failure;
        }
        if (item.source.size > kMostTextEntry && MayBeText(item.parts.back(), item.head)) {
            return "书中有条目太大（" + std::to_string(item.source.size >> 20) +
                   " MB，超过内存中转换的上限 " + std::to_string(kMostTextEntry >> 20) +
                   " MB），无法处理：" + item.Path();
        }
    }
    return std::nullopt;
}

std::optional<std::vector<FolderEntry>> MemoryBook::List(const std::string& folder) const {
    const auto found = folders_.find(folder);
    if (found == folders_.end()) {
        errno = ENOENT;
        return std::nullopt;
    }
    std::vector<FolderEntry> entries;
    for (const auto& [name, type] : found->second) {
        entries.push_back({name, type});
    }
    return entries;
}

BookItem* MemoryBook::Find(const std::string& path) {
    for (BookItem& item : items_) {
        if (!item.folder && UnderRoot(item.parts, item.parts.size()) == path) {
            return &item;
        }
    }
    return nullptr;
}

std::optional<std::string> MemoryBook::Load(BookItem& item) const {
    if (item.content) {
        return std::nullopt;
    }
    std::string content;
    if (std::optional<std::string> failure = InflateWhole(file_, item.source, content)) {
        return failure;
    }
    item.content = std::move(content);
    return std::nullopt;
}

BookFileAccess MemoryBook::Access() {
    const auto head = [this](const std::string& path) -> std::optional<std::string> {
        const BookItem* item = Find(path);
        errno = ENOENT;
        return item ? std::optional(item->head) : std::nullopt;
    };
    const auto rewrite = [this](const std::string& path, const std::string& shownName,
                                const ContentTransform& transform,
                                const FileNote& note) -> std::optional<std::string> {
        BookItem* item = Find(path);
        if (!item) {
            return "找不到 " + shownName;
        }
        try {
            if (std::optional<std::string> failure = Load(*item)) {
                return failure;
            }
            Rewrite rewritten =
                RewriteContents(LastName(path), shownName, *item->content, transform);
            if (rewritten.contents) {
                item->content = std::move(rewritten.contents);
                item->changed = true;
            }
            if (note && !rewritten.note.empty()) {
                note(rewritten.note);
            }
            return std::nullopt;
        } catch (const std::bad_alloc&) {
            return "内存不足，无法转换 " + shownName;
        }
    };
    return {[this](const std::string& folder) { return List(folder); }, head, rewrite};
}

void MemoryBook::GiveNewNames(const std::vector<Rename>& renames) {
    std::map<std::string, std::string> newNames;
    for (const Rename& rename : renames) {
        newNames.emplace(rename.from, LastName(rename.to));
    }
    for (BookItem& item : items_) {
        std::vector<std::string> renamed = item.parts;
        for (std::size_t count = 1; count <= item.parts.size(); ++count) {
            const auto found = newNames.find(UnderRoot(item.parts, count));
            if (found != newNames.end()) {
                renamed[count - 1] = found->second;
            }
        }
        item.parts = std::move(renamed);
    }
}

std::vector<std::size_t> MemoryBook::TextFiles() const {
    std::vector<std::size_t> files;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (!items_[i].folder && MayBeText(items_[i].parts.back(), items_[i].head)) {
            files.push_back(i);
        }
    }
    // Depth first, names in byte order: the order the unpacked tree's walk meets them.
    std::sort(files.begin(), files.end(),
              [this](std::size_t a, std::size_t b) { return items_[a].parts < items_[b].parts; });
    return files;
}
