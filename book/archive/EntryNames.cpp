#include "book/archive/EntryNames.hpp"

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

#include "platform/ErrorReason.hpp"
#include "platform/File.hpp"
#include "platform/FileSystem.hpp"
#include "text/unicode/IconvDecoder.hpp"
#include "text/unicode/Utf8Codec.hpp"

namespace {

constexpr std::uint8_t kMadeOnDos = 0;

// DOS and Windows (FAT), Windows NTFS (as the ZIP notes number it, and as Info-ZIP does), VFAT.
bool IsWindowsHost(std::uint8_t host) {
    return host == kMadeOnDos || host == 10 || host == 11 || host == 14;
}

bool HoldsNonAscii(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; });
}

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// The name unzip writes: the Unicode Path field's when there is one.
std::string_view NameOf(const DirectoryEntry& entry) {
    return entry.unicodePath.empty() ? entry.name : entry.unicodePath;
}

// The name as unzip splits it: backslashes are separators in an ASCII name made on DOS that
// holds no slash (a name with other bytes reaches unzip relabelled as made on Unix).
std::string AsUnzipSplitsIt(const DirectoryEntry& entry) {
    std::string name(NameOf(entry));
    if (entry.host == kMadeOnDos && !HoldsNonAscii(name) && name.find('/') == std::string::npos) {
        std::replace(name.begin(), name.end(), '\\', '/');
    }
    return name;
}

std::string Joined(const std::vector<std::string>& parts, std::size_t count) {
    std::string path;
    for (std::size_t i = 0; i < count; ++i) {
        path += (i == 0 ? "" : "/") + parts[i];
    }
    return path;
}

// name with control characters and bytes that are not UTF-8 written as escapes, for a reason.
std::string Escaped(std::string_view name) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string shown;
    const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = text::WellFormedCharacterLength(bytes + at, name.size() - at);
        if (length == 0 || IsControl(name[at])) {
            shown += name[at] == '\t'   ? std::string("\\t")
                     : name[at] == '\n' ? std::string("\\n")
                                        : std::string{'\\', 'x', kDigits[bytes[at] >> 4],
                                                      kDigits[bytes[at] & 0xF]};
            ++at;
        } else {
            shown.append(name.substr(at, length));
            at += length;
        }
    }
    return shown;
}

}  // namespace

bool IsWellFormedUtf8(std::string_view name) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
    for (std::size_t at = 0; at < name.size();) {
        // A zero byte ends text, not a name: it is a character (refused as a control) here.
        const std::size_t length =
            bytes[at] == 0 ? 1 : text::WellFormedCharacterLength(bytes + at, name.size() - at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::optional<std::string> DecodeGb18030(std::string_view bytes) {
    return text::IconvDecoder("GB18030").Decode(bytes);
}

bool DecodesNames(const std::string& directory) {
    bool some = false;
    bool all = true;
    ForEachEntry(directory, [&](const DirectoryEntry& entry) {
        if (IsWellFormedUtf8(NameOf(entry))) {
            return;
        }
        some = true;
        all = all && !entry.utf8Name && IsWindowsHost(entry.host) && DecodeGb18030(NameOf(entry));
    });
    return some && all;
}

std::vector<std::string> PathParts(const DirectoryEntry& entry, bool decode) {
    const std::string name = AsUnzipSplitsIt(entry);
    std::vector<std::string> parts;
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        std::string part = name.substr(start, slash - start);
        if (!part.empty() && part != "." && part != "..") {
            if (decode && !IsWellFormedUtf8(part)) {
                part = DecodeGb18030(part).value_or(part);
            }
            parts.push_back(std::move(part));
        }
        start = slash + 1;
    }
    return parts;
}

bool NamesFolder(const DirectoryEntry& entry) {
    return AsUnzipSplitsIt(entry).ends_with('/');
}

std::optional<NameProblem> FindNameProblem(const std::string& directory) {
    const bool decode = DecodesNames(directory);
    std::optional<NameProblem> problem;
    std::vector<std::string> files;
    std::set<std::string> folders;
    ForEachEntry(directory, [&](const DirectoryEntry& entry) {
        const std::vector<std::string> parts = PathParts(entry, decode);
        const std::string path = Joined(parts, parts.size());
        const std::string_view name = NameOf(entry);
        if (!problem && std::any_of(name.begin(), name.end(), IsControl)) {
            problem = NameProblem{NameProblem::Kind::ControlCharacter, Escaped(name)};
        }
        for (std::size_t count = 1; count < parts.size(); ++count) {
            folders.insert(Joined(parts, count));
        }
        if (parts.empty()) {
            return;
        }
        if (NamesFolder(entry)) {
            folders.insert(path);
        } else {
            files.push_back(path);
        }
    });
    std::set<std::string> seen;
    for (const std::string& file : files) {
        if (problem) {
            break;
        }
        if (!seen.insert(file).second) {
            problem = NameProblem{NameProblem::Kind::Twice, Escaped(file)};
        } else if (folders.contains(file)) {
            problem = NameProblem{NameProblem::Kind::FileAndFolder, Escaped(file)};
        }
    }
    return problem;
}

std::optional<std::string> GiveDecodedNames(const std::string& archivePath,
                                            const std::string& folder) {
    std::optional<platform::File> file = platform::File::OpenForReading(archivePath);
    const std::optional<CentralDirectory> directory =
        file ? ReadCentralDirectory(*file) : std::nullopt;
    if (!directory || !DecodesNames(directory->bytes)) {
        return std::nullopt;
    }
    // Each path as unzip wrote it whose last part is decoded, with that part.
    std::map<std::string, std::string> renames;
    ForEachEntry(directory->bytes, [&](const DirectoryEntry& entry) {
        const std::vector<std::string> stored = PathParts(entry, false);
        const std::vector<std::string> decoded = PathParts(entry, true);
        for (std::size_t i = 0; i < stored.size() && stored.size() == decoded.size(); ++i) {
            if (stored[i] != decoded[i]) {
                renames.emplace(Joined(stored, i + 1), decoded[i]);
            }
        }
    });
    std::vector<std::pair<std::string, std::string>> ordered(renames.begin(), renames.end());
    // The deepest first: a folder is renamed once everything in it has its name.
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
        return std::count(a.first.begin(), a.first.end(), '/') >
               std::count(b.first.begin(), b.first.end(), '/');
    });
    for (const auto& [path, name] : ordered) {
        const std::string to = path.substr(0, path.rfind('/') + 1) + name;
        if (!platform::MoveNoReplace(folder + "/" + path, folder + "/" + to)) {
            return platform::ReasonOf("无法把解出的 " + Escaped(path) + " 改名为 " + to, errno);
        }
    }
    return std::nullopt;
}
