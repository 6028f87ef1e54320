// The built-in path's reader and writer on any file: every entry it takes lies before the
// directory and apart from the others, inflating never gives more than the size declared (a
// whole entry exactly that size with its CRC), and the entries copied into a new archive read
// back under the same names.
#include <cstdint>

#include "book/archive/ZipReader.hpp"
#include "book/archive/ZipWriter.hpp"
#include "fuzz/FuzzSupport.hpp"

using fuzz_support::Check;

namespace {

constexpr std::uint64_t kMostInflated = 1 << 20;

void CheckEntry(const platform::File& file, const ZipEntry& entry, std::uint64_t directoryAt) {
    Check(entry.localAt < entry.dataAt && entry.dataAt <= entry.end && entry.end <= directoryAt,
          "an entry lies before the directory");
    std::string head;
    if (!InflateHead(file, entry, 16, head)) {
        Check(head.size() <= 16 && head.size() <= entry.size, "a head is at most what was asked");
    }
    std::string whole;
    if (entry.size <= kMostInflated && !InflateWhole(file, entry, whole)) {
        Check(whole.size() == entry.size && ZipCrc32(whole) == entry.crc,
              "a whole entry is its declared size and CRC");
    }
}

// Copies every entry into a new archive, which must read back with the same names.
void CheckCopy(const platform::File& file, const std::vector<ZipEntry>& entries,
               const std::string& path) {
    std::optional<platform::File> out = platform::File::CreateAlways(path);
    ZipWriter writer(*out);
    for (const ZipEntry& entry : entries) {
        Check(entry.zip64 || writer.AddCopy(file, entry, false), "an entry can be copied");
    }
    Check(writer.Finish(), "the directory can be written");
    std::optional<platform::File> copy = platform::File::OpenForReading(path);
    const std::optional<CentralDirectory> directory = ReadCentralDirectory(*copy);
    Check(directory.has_value(), "the copy has a directory");
    std::vector<ZipEntry> read;
    Check(!ReadZipEntries(*copy, *directory, read), "the copy's entries can be read");
    std::size_t i = 0;
    for (const ZipEntry& entry : entries) {
        if (!entry.zip64) {
            Check(i < read.size() && read[i++].name == entry.name, "a copy keeps the names");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz_support::ScratchFolder folder;
    const std::string path = folder / "book.zip";
    fuzz_support::WriteFile(path, fuzz_support::AsText(data, size));
    std::optional<platform::File> file = platform::File::OpenForReading(path);
    Check(file.has_value(), "the archive can be opened");
    const std::optional<CentralDirectory> directory = ReadCentralDirectory(*file);
    std::vector<ZipEntry> entries;
    if (!directory || ReadZipEntries(*file, *directory, entries)) {
        return 0;
    }
    for (const ZipEntry& entry : entries) {
        CheckEntry(*file, entry, directory->offset);
    }
    CheckCopy(*file, entries, folder / "copy.zip");
    return 0;
}
