#include "book/tree/TreeRenames.hpp"

#include <cerrno>
#include <map>

#include "book/tree/UnpackedTree.hpp"
#include "platform/ErrorReason.hpp"
#include "platform/FileSystem.hpp"
#include "text/content/NameConversion.hpp"

using platform::EntryType;
using platform::FolderEntry;

namespace {

// The names the job never changes: the container's own.
bool KeepsItsName(const std::string& relative) {
    return relative == "mimetype" || relative == "META-INF";
}

// path below root, as the book names it.
std::string InBook(const std::string& path, const std::string& root) {
    return path.substr(root.size() + 1);
}

std::optional<TreeFailure> PlanFolder(const std::string& root, const std::string& folder,
                                      const text::TextConverter& converter,
                                      std::vector<Rename>& renames, const FolderLister& list) {
    std::optional<std::vector<FolderEntry>> entries = list(folder);
    if (!entries) {
        return TreeFailure{platform::ReasonOf(
            "无法读取文件夹 " + (folder == root ? "." : InBook(folder, root)), errno)};
    }
    std::map<std::string, std::string> takenBy;  // a name after conversion, and whose it is
    std::vector<Rename> own;
    for (const FolderEntry& entry : *entries) {
        const std::string path = folder + "/" + entry.name;
        const bool keep = KeepsItsName(InBook(path, root));
        if (entry.type == EntryType::Folder && !keep) {
            if (std::optional<TreeFailure> failure =
                    PlanFolder(root, path, converter, renames, list)) {
                return failure;
            }
        }
        const std::string converted =
            keep ? entry.name : text::ConvertFileName(entry.name, converter);
        const auto [taken, fresh] = takenBy.emplace(converted, entry.name);
        if (!fresh) {
            return TreeFailure{InBook(folder + "/" + taken->second, root) + " 与 " +
                                   InBook(path, root) + " 转换后同名，无法处理",
                               true};
        }
        if (converted != entry.name) {
            own.push_back({path, folder + "/" + converted});
        }
    }
    renames.insert(renames.end(), own.begin(), own.end());
    return std::nullopt;
}

}  // namespace

std::optional<TreeFailure> PlanRenames(const std::string& root,
                                       const text::TextConverter& converter,
                                       std::vector<Rename>& renames, const FolderLister& list) {
    return PlanFolder(root, root, converter, renames, list);
}

std::optional<std::string> ApplyRenames(const std::vector<Rename>& renames,
                                        const std::string& root) {
    for (const Rename& rename : renames) {
        if (!platform::MoveNoReplace(rename.from, rename.to)) {
            return platform::ReasonOf(
                "无法把 " + InBook(rename.from, root) + " 改名为 " + InBook(rename.to, root),
                errno);
        }
    }
    return std::nullopt;
}
