#include "text/content/LanguageTags.hpp"

#include <array>

namespace text {
namespace {

constexpr std::array<std::string_view, 6> kSimplifiedTags{"zh",      "zh-cn",      "zh-sg",
                                                          "zh-hans", "zh-hans-cn", "zh-hans-sg"};

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

}  // namespace text
