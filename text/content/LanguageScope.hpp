#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "text/convert/ScriptDirection.hpp"

namespace text {

// True for a tag whose text a conversion in direction leaves alone: Japanese (ja, ja-JP, ...)
// or already the target script (zh-Hant, zh-TW, zh-HK, zh-MO toward Traditional; zh-Hans,
// zh-CN, zh-SG toward Simplified), in any case, with '-' or '_' between the parts.
bool IsLanguageLeftAlone(std::string_view tag, ScriptDirection direction);

// The elements open at a point of a markup file, as far as their language goes: text inside an
// element below <body> whose nearest lang or xml:lang is left alone (IsLanguageLeftAlone) is
// not converted. The marks of the root and of <body> are not obeyed: many books carry a wrong
// one, and the conversion rewrites them.
class LanguageScope {
  public:
    explicit LanguageScope(ScriptDirection direction) : direction_(direction) {}

    // A start tag of name with its language mark, if any.
    void Open(std::string_view name, std::optional<std::string_view> language, bool selfClosing);
    // An end tag of name; one that closes no element open near the top is ignored.
    void Close(std::string_view name);
    // True when text here stays as it is.
    bool LeftAlone() const { return !open_.empty() && open_.back().leftAlone; }

  private:
    struct Element {
        std::string_view name;
        bool insideBody;
        bool leftAlone;
    };

    ScriptDirection direction_;
    std::vector<Element> open_;
};

}  // namespace text
