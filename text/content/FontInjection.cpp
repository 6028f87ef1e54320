#include "text/content/FontInjection.hpp"

#include <vector>

namespace {

using Pieces = std::vector<std::string_view>;

constexpr auto npos = std::string_view::npos;

bool IsWhitespaceByte(char byte) {
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

// Case 1: the sources go in front of the ";" that ends the "src:" value of the first
// "@font-face" rule. No pieces (nothing to add) when that rule has no "}", "src:" or ";".
Pieces ExtendFontRule(std::string_view searchable, std::string_view whole, std::size_t rule) {
    const std::size_t ruleEnd = searchable.find('}', rule);
    if (ruleEnd == npos) {
        return {};
    }
    const std::string_view ruleText = searchable.substr(rule, ruleEnd - rule + 1);
    const std::size_t source = ruleText.find("src:");
    const std::size_t semicolon = source == npos ? npos : ruleText.find(';', source);
    if (semicolon == npos) {
        return {};
    }
    const std::size_t insertAt = rule + semicolon;
    return {whole.substr(0, insertAt), text::ExtraFontSources, whole.substr(insertAt)};
}

// Cases 2 and 3, for a stylesheet without "@font-face". A usable first "body" (at the start or
// after a whitespace byte) gets the family after its next "{"; without a usable "body", or
// without a "{" after it, the rule and a body rule go in front of the whole text.
Pieces AddFontRule(std::string_view searchable, std::string_view whole) {
    const std::size_t body = searchable.find("body");
    const bool usable = body != npos && (body == 0 || IsWhitespaceByte(searchable[body - 1]));
    const std::size_t brace = usable ? searchable.find('{', body) : npos;
    if (brace == npos) {
        return {text::FontFaceWithBodyRule, whole};
    }
    return {text::FontFaceRule, whole.substr(0, brace + 1), text::BodyFontLine,
            whole.substr(brace + 1)};
}

// The new content of the stylesheet as pieces to write in order; empty when it stays as it is.
Pieces PlanRewrite(std::string_view searchable, std::string_view whole) {
    const std::size_t rule = searchable.find("@font-face");
    return rule != npos ? ExtendFontRule(searchable, whole, rule) : AddFontRule(searchable, whole);
}

}  // namespace

namespace text {

std::optional<std::string> InjectFontStylesheet(std::string_view stylesheet) {
    // Matching stops at a zero byte; the bytes after it are kept all the same.
    const Pieces pieces = PlanRewrite(stylesheet.substr(0, stylesheet.find('\0')), stylesheet);
    if (pieces.empty()) {
        return std::nullopt;
    }
    std::string rewritten;
    rewritten.reserve(stylesheet.size() + FontFaceWithBodyRule.size());
    for (std::string_view piece : pieces) {
        rewritten += piece;
    }
    return rewritten;
}

}  // namespace text
