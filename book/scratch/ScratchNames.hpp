#pragma once

#include <optional>
#include <string>

// The names a job wants for what it makes for one book, each the first try of its fresh names
// (book/scratch/FreshNames). All come from the file the book is (its path resolved), never from
// a symbolic link that names it; the output keeps the name the user gave.
struct ScratchNames {
    std::string folder;         // where the book's second name and its unpack folder go
    std::string archive;        // the book's second name: its name with ".zip" for its extension
    std::string unpackFolder;   // the book's name without its extension
    std::string partialFolder;  // the output's name with ".partial", beside the output
};

// The folder for the scratch of book: given when there is one, else the book's own folder when
// the job may create names there, else the output's folder.
std::string ChooseScratchFolder(const std::string& given, const std::string& book,
                                const std::string& output);

// The names for the book at the absolute resolved path book, converted into the absolute path
// output, with its scratch in folder.
ScratchNames PlanScratchNames(const std::string& book, const std::string& output,
                              const std::string& folder);

// The reason that refuses the book when the output's name, or a name the job would make (its
// last variant included), is longer than the file system of its folder takes.
std::optional<std::string> NameTooLong(const ScratchNames& names, const std::string& output);

// The reason that refuses the book when the output's name is longer than the file system of its
// folder takes.
std::optional<std::string> OutputNameTooLong(const std::string& output);
