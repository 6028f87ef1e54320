#include "book/BookNames.hpp"

#include <set>

#include "book/archive/CentralDirectory.hpp"

std::optional<std::string> FileAndFolderOfOneName(const std::string& bookPath) {
    const std::optional<std::vector<ArchiveEntry>> entries = ListArchive(bookPath);
    if (!entries) {
        return std::nullopt;  // the checks before unpacking tell why it cannot be read
    }
    std::set<std::string> files;
    std::set<std::string> folders;
    for (const ArchiveEntry& entry : *entries) {
        const std::string& name = entry.name;
        for (std::size_t slash = name.find('/'); slash != std::string::npos;
             slash = name.find('/', slash + 1)) {
            folders.insert(name.substr(0, slash));
        }
        if (!name.ends_with('/')) {
            files.insert(name);
        }
    }
    for (const std::string& file : files) {
        if (folders.contains(file)) {
            return "书中的 " + file + " 既是文件又是文件夹的名称，无法解包";
        }
    }
    return std::nullopt;
}
