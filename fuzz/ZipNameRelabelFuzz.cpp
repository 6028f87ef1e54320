// The central-directory reader and patcher on any file: reading never goes past what the file
// holds, a patch lies within the file and changes nothing but labels, and once applied there
// is nothing left to relabel.
#include <cstdint>

#include "book/archive/ZipNameRelabel.hpp"
#include "fuzz/FuzzSupport.hpp"

using fuzz_support::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz_support::ScratchFolder folder;
    const std::string path = folder / "book.zip";
    const std::string_view archive = fuzz_support::AsText(data, size);
    fuzz_support::WriteFile(path, archive);
    const std::optional<CentralDirectoryPatch> patch = RelabelUtf8Names(path);
    if (!patch) {
        return 0;
    }
    Check(patch->offset + patch->bytes.size() <= size, "the patch lies within the archive");
    const std::string_view old = archive.substr(patch->offset, patch->bytes.size());
    Check(old != patch->bytes && patch->bytes.starts_with("PK\1\2"),
          "a patch changes entries of the directory");
    Check(ApplyCentralDirectoryPatch(path, *patch), "the patch can be written");
    std::string patched(archive);
    patched.replace(patch->offset, patch->bytes.size(), patch->bytes);
    Check(fuzz_support::ReadFile(path) == patched, "the patch is written where it belongs");
    Check(!RelabelUtf8Names(path), "a patched archive needs no second patch");
    return 0;
}
