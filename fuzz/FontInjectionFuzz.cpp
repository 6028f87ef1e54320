// The font injection on any stylesheet: it never fails on a file it may rewrite, adds the font
// sources whenever it rewrites, and otherwise leaves the file as it was.
#include <cstdint>

#include "fuzz/FuzzSupport.hpp"
#include "text/content/FontInjection.hpp"

using fuzz_support::Check;
using text::RewriteStatus;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::SilenceStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz_support::ScratchFolder folder;
    const std::string path = folder / "style.css";
    const std::string_view before = fuzz_support::AsText(data, size);
    fuzz_support::WriteFile(path, before);
    const text::RewriteResult result = text::InjectFontStylesheetReporting(path);
    const std::string after = fuzz_support::ReadFile(path);
    Check(result.status != RewriteStatus::Failed, "a writable stylesheet takes the fonts");
    if (result.status == RewriteStatus::Skipped) {
        Check(after == before, "a stylesheet left alone stays as it was");
        return 0;
    }
    Check(after.size() > size && after.find(text::FontSourceList) != std::string::npos,
          "a rewritten stylesheet holds the font sources");
    // Every byte of the old stylesheet is still there, in order, around what was added.
    std::size_t at = 0;
    for (const char byte : before) {
        at = after.find(byte, at);
        Check(at != std::string::npos, "no byte of the old stylesheet is lost");
        ++at;
    }
    return 0;
}
