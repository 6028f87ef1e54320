#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace text {

// The stylesheet with the e-reader font locations added: the first "@font-face" rule gets them
// as extra sources; without one, the rule for the family "zw" goes in and the first usable
// "body" rule (or a new one) gets the family. nullopt when there is nothing to add (a first
// "@font-face" rule without "src:", ";" or "}"), and for a stylesheet in UTF-16. A new rule
// goes after a UTF-8 byte order mark and the leading @charset, @import, @namespace and @layer
// statements, which CSS would drop behind it; where there are none, at the very start. Matching
// stops at the first zero byte. A stylesheet in UTF-16 (HasUtf16ByteOrderMark) is left as it is.
std::optional<std::string> InjectFontStylesheet(std::string_view stylesheet);

// The texts the injection writes, byte for byte; none ends with a zero byte.

namespace detail {
// The concatenation of parts, stored once at compile time.
template <const std::string_view&... parts>
struct Joined {
    static constexpr auto storage = [] {
        std::array<char, (parts.size() + ...)> joined{};
        std::size_t at = 0;
        for (std::string_view part : {parts...}) {
            for (char byte : part) {
                joined[at++] = byte;
            }
        }
        return joined;
    }();
    static constexpr std::string_view text{storage.data(), storage.size()};
};

inline constexpr std::string_view Comma = ",";
inline constexpr std::string_view FontFaceOpening = "@font-face {\nfont-family:\"zw\";\nsrc:";
inline constexpr std::string_view FontFaceClosing = ";\n}\n";
inline constexpr std::string_view BodyRule = "body { font-family: 'zw', serif; }\n";
}  // namespace detail

// The twelve font locations as url(...) entries, separated by ",\n\t".
inline constexpr std::string_view FontSourceList =
    "url(res:///opt/sony/ebook/FONT/zw.ttf),\n"
    "\turl(res:///Data/FONT/zw.ttf),\n"
    "\turl(res:///opt/sony/ebook/FONT/tt0011m_.ttf),\n"
    "\turl(res:///fonts/ttf/zw.ttf),\n"
    "\turl(res:///../../media/mmcblk0p1/fonts/zw.ttf),\n"
    "\turl(res:///DK_System/system/font/zw.ttf),\n"
    "\turl(res:///abook/fonts/zw.ttf),\n"
    "\turl(res:///system/fonts/zw.ttf),\n"
    "\turl(res:///system/media/sdcard/fonts/zw.ttf),\n"
    "\turl(res:///sdcard/fonts/zw.ttf),\n"
    "\turl(res:///system/fonts/DroidSansFallback.ttf),\n"
    "\turl(fonts/zw.ttf)";

// A complete rule for the family "zw" with those sources.
inline constexpr std::string_view FontFaceRule =
    detail::Joined<detail::FontFaceOpening, FontSourceList, detail::FontFaceClosing>::text;

// FontFaceRule followed by a body rule that uses the family.
inline constexpr std::string_view FontFaceWithBodyRule =
    detail::Joined<FontFaceRule, detail::BodyRule>::text;

// The sources to put in front of the ";" that ends an existing "src:" value.
inline constexpr std::string_view ExtraFontSources =
    detail::Joined<detail::Comma, FontSourceList>::text;

// The declaration put right after the "{" of the body rule.
inline constexpr std::string_view BodyFontLine = "\n font-family: 'zw', serif;";

}  // namespace text
