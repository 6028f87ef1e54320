#include "text/content/LanguageTags.hpp"

#include <algorithm>
#include <array>

namespace text {
namespace {

constexpr std::array<std::string_view, 6> kSimplifiedTags{"zh",      "zh-cn",      "zh-sg",
                                                          "zh-hans", "zh-hans-cn", "zh-hans-sg"};
constexpr std::array<std::string_view, 7> kTraditionalTags{
    "zh-hant", "zh-tw", "zh-hk", "zh-mo", "zh-hant-tw", "zh-hant-hk", "zh-hant-mo"};

// The byte as the lower-case tags above spell it: ASCII letters lowered, '_' read as '-'.
char Folded(char c) {
    if (c >= 'A' && c <= 'Z') {
        return static_cast<char>(c - 'A' + 'a');
    }
    return c == '_' ? '-' : c;
}

bool SameTag(std::string_view tag, std::string_view folded) {
    if (tag.size() != folded.size()) {
        return false;
    }
    for (std::size_t i = 0; i < tag.size(); ++i) {
        if (Folded(tag[i]) != folded[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsSimplifiedChineseTag(std::string_view tag) {
    for (std::string_view simplified : kSimplifiedTags) {
        if (SameTag(tag, simplified)) {
            return true;
        }
    }
    return false;
}

bool IsTraditionalChineseTag(std::string_view tag) {
    return std::any_of(kTraditionalTags.begin(), kTraditionalTags.end(),
                       [tag](std::string_view traditional) { return SameTag(tag, traditional); });
}

bool IsSourceScriptTag(std::string_view tag, ScriptDirection direction) {
    return direction == ScriptDirection::ToSimplified ? IsTraditionalChineseTag(tag)
                                                      : IsSimplifiedChineseTag(tag);
}

}  // namespace text
