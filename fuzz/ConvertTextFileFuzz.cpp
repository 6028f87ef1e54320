// ConvertTextFile on any file: it never fails on a file it may rewrite, leaves a file it skips
// as it was, keeps everything from the first zero byte on, and leaves no other file behind.
#include <cstdint>
#include <filesystem>

#include "fuzz/FuzzSupport.hpp"
#include "text/convert/ScriptConversion.hpp"

using fuzz_support::Check;
using text::RewriteStatus;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::SilenceStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz_support::ScratchFolder folder;
    const std::string path = folder / "chapter.xhtml";
    const std::string_view before = fuzz_support::AsText(data, size);
    fuzz_support::WriteFile(path, before);
    const text::RewriteResult result = text::ConvertTextFileReporting(path);
    const std::string after = fuzz_support::ReadFile(path);
    Check(result.status != RewriteStatus::Failed, "a writable file in a writable folder converts");
    Check(result.status == RewriteStatus::Rewritten || after == before,
          "a skipped file stays as it was");
    const std::size_t zero = before.find('\0');
    if (zero != std::string_view::npos) {
        Check(after.size() >= size - zero &&
                  after.substr(after.size() - (size - zero)) == before.substr(zero),
              "everything from the first zero byte on is kept");
    }
    Check(std::distance(std::filesystem::directory_iterator(folder.path()),
                        std::filesystem::directory_iterator()) == 1,
          "no other file is left beside it");
    return 0;
}
