#include "book/tree/ContentStep.hpp"

#include <utility>
#include <vector>

#include "book/tree/ParallelTasks.hpp"
#include "book/tree/TreeRenames.hpp"
#include "book/tree/UnpackedTree.hpp"

using platform::EntryType;
using platform::FolderEntry;

namespace {

void AddFilesUnder(const std::string& folder, std::vector<std::string>& files) {
    std::optional<std::vector<FolderEntry>> entries = SortedEntries(folder);
    if (!entries) {
        return;
    }
    for (const FolderEntry& entry : *entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.type == EntryType::File) {
            files.push_back(path);
        } else if (entry.type == EntryType::Folder) {
            AddFilesUnder(path, files);
        }
    }
}

}  // namespace

std::vector<std::string> FilesUnder(const std::string& root) {
    std::vector<std::string> files;
    AddFilesUnder(root, files);
    return files;
}

std::optional<TreeFailure> ConvertTree(const std::string& root, const TextConversion& conversion,
                                       std::stop_token stop, unsigned workers,
                                       const FileNote& note) {
    std::vector<Rename> renames;
    if (std::optional<TreeFailure> planned = PlanRenames(root, conversion.converter, renames)) {
        return planned;
    }
    const std::vector<std::string> files = FilesUnder(root);
    // Each file's notes in its own place, told on this thread in the files' order.
    std::vector<std::vector<std::string>> notes(note ? files.size() : 0);
    const auto convertOne = [&](std::size_t i) {
        const FileNote keep = [&notes, i](std::string_view line) { notes[i].emplace_back(line); };
        return ConvertTextFile(files[i], files[i].substr(root.size() + 1), conversion,
                               note ? keep : FileNote());
    };
    std::optional<std::string> taskFailure = RunTasks(files.size(), workers, stop, convertOne);
    for (const std::vector<std::string>& lines : notes) {
        for (const std::string& line : lines) {
            note(line);
        }
    }
    if (taskFailure) {
        return TreeFailure{std::move(*taskFailure)};
    }
    if (stop.stop_requested()) {
        return std::nullopt;
    }
    if (std::optional<std::string> failure = ApplyRenames(renames, root)) {
        return TreeFailure{std::move(*failure)};
    }
    return std::nullopt;
}
