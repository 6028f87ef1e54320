#include "text/content/LanguageScope.hpp"

#include <array>
#include <span>

#include "text/unicode/AsciiCase.hpp"

namespace text {
namespace {

// How far below the top an end tag looks for its element, so that stray end tags cost
// constant time each.
constexpr std::size_t kEndTagReach = 32;

// HTML elements that never have content, written without "/>" in .html files.
constexpr std::array<std::string_view, 14> kVoidElements{
    "area",  "base", "br",   "col",   "embed",  "hr",    "img",
    "input", "link", "meta", "param", "source", "track", "wbr"};
constexpr std::array<std::string_view, 4> kTraditionalTags{"zh-hant", "zh-tw", "zh-hk", "zh-mo"};
constexpr std::array<std::string_view, 3> kSimplifiedTags{"zh-hans", "zh-cn", "zh-sg"};

char Folded(char c) {
    if (c >= 'A' && c <= 'Z') {
        return static_cast<char>(c - 'A' + 'a');
    }
    return c == '_' ? '-' : c;
}

// True when tag is prefix, or begins with prefix and a '-', ignoring case and '_' for '-'.
bool HasPrefix(std::string_view tag, std::string_view prefix) {
    if (tag.size() < prefix.size() ||
        (tag.size() > prefix.size() && Folded(tag[prefix.size()]) != '-')) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (Folded(tag[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool IsVoid(std::string_view name) {
    for (std::string_view element : kVoidElements) {
        if (SameIgnoringAsciiCase(name, element)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsLanguageLeftAlone(std::string_view tag, ScriptDirection direction) {
    if (HasPrefix(tag, "ja")) {
        return true;
    }
    const bool toTraditional = direction == ScriptDirection::ToTraditional;
    for (std::string_view target : toTraditional
                                       ? std::span<const std::string_view>(kTraditionalTags)
                                       : std::span<const std::string_view>(kSimplifiedTags)) {
        if (HasPrefix(tag, target)) {
            return true;
        }
    }
    return false;
}

void LanguageScope::Open(std::string_view name, std::optional<std::string_view> language,
                         bool selfClosing) {
    if (selfClosing || IsVoid(LocalName(name))) {
        return;
    }
    const Element parent = open_.empty() ? Element{{}, false, false} : open_.back();
    Element element{name, parent.insideBody, parent.leftAlone};
    if (!parent.insideBody) {
        element.insideBody = SameIgnoringAsciiCase(LocalName(name), "body");
    } else if (language) {
        element.leftAlone = IsLanguageLeftAlone(*language, direction_);
    }
    open_.push_back(element);
}

void LanguageScope::Close(std::string_view name) {
    const std::size_t reach = open_.size() < kEndTagReach ? open_.size() : kEndTagReach;
    for (std::size_t i = 1; i <= reach; ++i) {
        if (SameIgnoringAsciiCase(open_[open_.size() - i].name, name)) {
            open_.resize(open_.size() - i);
            return;
        }
    }
}

}  // namespace text
