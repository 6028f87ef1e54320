#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "book/archive/CentralDirectory.hpp"

// The names that a book's entries take in the file system. Names without the UTF-8 flag that are
// not UTF-8 are what Windows tools write in the system's code page; in a book of Chinese text
// that is GBK, whose bytes unzip would otherwise write as they stand (once relabelled) and no
// reference in the book's UTF-8 text would find.

// True when name is well-formed UTF-8 (ASCII included).
bool IsWellFormedUtf8(std::string_view name);

// bytes as UTF-8 when they are valid GB18030 (GBK and GB2312 are parts of it); nullopt when not.
std::optional<std::string> DecodeGb18030(std::string_view bytes);

// True when the job gives the archive's names in the code page their UTF-8 form: some name is
// neither flagged nor UTF-8, and every such name was made on Windows and decodes. A book whose
// names mix code pages keeps every name byte for byte, so that a folder has one name for all.
bool DecodesNames(const std::string& directory);

// The parts of the entry's path as the file system holds them once unpacked: without the empty,
// "." and ".." parts that unzip drops, backslashes taken for separators where unzip takes them,
// and each part in the code page decoded when decode is true.
std::vector<std::string> PathParts(const DirectoryEntry& entry, bool decode);

// True when unzip takes the entry for a folder: its name, as unzip splits it, ends in a slash.
bool NamesFolder(const DirectoryEntry& entry);

// Why the directory's names cannot be unpacked as they stand, with the entry that shows it.
struct NameProblem {
    enum class Kind { ControlCharacter, Twice, FileAndFolder };
    Kind kind;
    std::string name;  // as the file system would hold it, control characters escaped
};

// The first problem of the names of the directory: a name holding a control character (unzip
// drops it), or two entries that the file system would hold under one name (unzip keeps one of
// them) or as a file and a folder of one name; nullopt when there is none.
std::optional<NameProblem> FindNameProblem(const std::string& directory);

// Renames what unzip wrote under the names of archivePath's entries (byte for byte, from the
// relabelled copy) to their decoded names under folder; the reason when one fails.
std::optional<std::string> GiveDecodedNames(const std::string& archivePath,
                                            const std::string& folder);
