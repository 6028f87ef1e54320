// The font rule on any stylesheet: whatever it adds, every byte of the old stylesheet is still
// there in order, the font sources are in the new one, and a byte order mark stays first.
#include <cstdint>

#include "fuzz/FuzzSupport.hpp"
#include "text/content/FontInjection.hpp"
#include "text/unicode/TextEncoding.hpp"

using fuzz_support::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view before = fuzz_support::AsText(data, size);
    const std::optional<std::string> after = text::InjectFontStylesheet(before);
    if (!after) {
        Check(before.substr(0, before.find('\0')).find("@font-face") != std::string_view::npos ||
                  text::HasUtf16ByteOrderMark(before),
              "only a stylesheet with a font rule, or in UTF-16, can have nothing to add");
        return 0;
    }
    Check(after->size() > size && after->find(text::FontSourceList) != std::string::npos,
          "a rewritten stylesheet holds the font sources");
    Check(!before.starts_with("\xEF\xBB\xBF") || after->starts_with("\xEF\xBB\xBF"),
          "a byte order mark stays first");
    std::size_t at = 0;
    for (const char byte : before) {
        at = after->find(byte, at);
        Check(at != std::string::npos, "no byte of the old stylesheet is lost");
        ++at;
    }
    return 0;
}
