#pragma once

#include <optional>
#include <string>
#include <vector>

#include "book/tree/UnpackedTree.hpp"
#include "text/convert/TextConverter.hpp"

// Renaming the files and folders of an unpacked book whose names the conversion changes, so that
// converted references still lead to them.

// Why a step on the unpacked tree did not go through.
struct TreeFailure {
    std::string reason;
    bool refused = false;  // the book cannot be converted as it is; nothing was changed
};

// One rename, by full paths; the folder above is still under its old name.
struct Rename {
    std::string from;
    std::string to;
};

// The renames that give every file and folder under root its converted name, children before
// their folder, so each can be applied in turn. "mimetype" and "META-INF" at the top, and all
// under META-INF, keep their names. Refuses the book when two names of one folder would become
// one; fails when a folder cannot be read. The folders are read with list.
std::optional<TreeFailure> PlanRenames(const std::string& root,
                                       const text::TextConverter& converter,
                                       std::vector<Rename>& renames,
                                       const FolderLister& list = SortedEntries);

// Applies the renames in order, never replacing anything; the reason when one fails.
std::optional<std::string> ApplyRenames(const std::vector<Rename>& renames,
                                        const std::string& root);
