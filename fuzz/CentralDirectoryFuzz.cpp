// The central-directory reader and the entry names on any file: reading never goes past what
// the file holds, a reading said to be the only one is the one that a reader taking the last
// end-record signature makes too, and decoded names are UTF-8 without the parts unzip drops.
#include <cstdint>

#include "book/archive/CentralDirectory.hpp"
#include "book/archive/EntryNames.hpp"
#include "fuzz/FuzzSupport.hpp"

using fuzz_support::Check;

namespace {

void CheckNames(const std::string& directory) {
    const bool decode = DecodesNames(directory);
    ForEachEntry(directory, [&](const DirectoryEntry& entry) {
        Check(entry.at + 46 + entry.name.size() <= directory.size(),
              "a name lies in the directory");
        for (const std::string& part : PathParts(entry, decode)) {
            Check(
                !part.empty() && part != "." && part != ".." && part.find('/') == std::string::npos,
                "a part of a path is a name");
            Check(!decode || IsWellFormedUtf8(part), "decoded names are UTF-8");
        }
    });
    FindNameProblem(directory);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz_support::ScratchFolder folder;
    const std::string path = folder / "book.zip";
    const std::string_view archive = fuzz_support::AsText(data, size);
    fuzz_support::WriteFile(path, archive);
    std::optional<platform::File> file = platform::File::OpenForReading(path);
    Check(file.has_value(), "the archive can be opened");
    const std::optional<CentralDirectory> directory = ReadCentralDirectory(*file);
    if (!directory) {
        return 0;
    }
    Check(directory->offset + directory->bytes.size() <= size, "the directory lies in the file");
    if (directory->readsOneWay) {
        // The last signature of the file is the end record, and its comment ends the file.
        const std::size_t last = archive.rfind("PK\5\6");
        Check(last != std::string_view::npos && last + 22 <= size &&
                  last + 22 + ReadField(archive, last + 20, 2) == size,
              "a reading said to be the only one is the last end record's");
    }
    CheckNames(directory->bytes);
    return 0;
}
