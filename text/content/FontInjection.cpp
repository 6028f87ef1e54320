#include "text/content/FontInjection.hpp"

#include <vector>

#include "text/unicode/AsciiCase.hpp"
#include "text/unicode/TextEncoding.hpp"

namespace {

using Pieces = std::vector<std::string_view>;

constexpr auto npos = std::string_view::npos;

bool IsWhitespaceByte(char byte) {
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

// Where the text after a UTF-8 byte order mark starts: 3 with one, else 0.
std::size_t TextStart(std::string_view stylesheet) {
    return stylesheet.starts_with("\xEF\xBB\xBF") ? 3 : 0;
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

// Where a new rule may go without changing what the stylesheet means (all positions in text).
// CSS drops an @import or @namespace that follows another rule, and an @charset anywhere but at
// the start; so a new rule goes after a UTF-8 byte order mark and after the leading statements
// of those kinds (and @layer), with the comments and blanks between them.
class StylesheetHead {
  public:
    explicit StylesheetHead(std::string_view text) : text_(text) {}

    // Just past the leading statements and the rest of the line of the last; just past the
    // byte order mark (or 0) when there is none, so comments alone never move the rule.
    std::size_t End() const {
        std::size_t end = TextStart(text_);
        for (std::size_t at = SkipBlanksAndComments(end); at != npos;
             at = SkipBlanksAndComments(end)) {
            const std::size_t statementEnd = StatementEnd(at);
            if (statementEnd == npos) {
                break;
            }
            end = AfterLineEnd(statementEnd);
        }
        return end;
    }

  private:
    // The first byte at or after at that is neither whitespace nor in a comment; npos at the end.
    std::size_t SkipBlanksAndComments(std::size_t at) const {
        while (at < text_.size()) {
            if (IsWhitespaceByte(text_[at])) {
                ++at;
            } else if (text_.substr(at).starts_with("/*")) {
                const std::size_t close = text_.find("*/", at + 2);
                at = close == npos ? npos : close + 2;
            } else {
                return at;
            }
        }
        return npos;
    }

    // Just past the ";" ending the statement that starts at at, or npos when none starts there.
    std::size_t StatementEnd(std::size_t at) const {
        std::size_t end = at + 1;
        while (end < text_.size() && IsNameByte(text_[end])) {
            ++end;
        }
        const std::string_view keyword = text_.substr(at, end - at);
        if (!IsLeadingStatement(keyword)) {
            return npos;
        }
        return PreludeEnd(end);
    }

    // A byte of a CSS name: an ASCII letter or digit, "-", "_" or any byte of a non-ASCII one.
    static bool IsNameByte(char byte) {
        const auto code = static_cast<unsigned char>(byte);
        return (code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z') ||
               (code >= '0' && code <= '9') || code == '-' || code == '_' || code >= 0x80;
    }

    static bool IsLeadingStatement(std::string_view keyword) {
        for (std::string_view known : {"@charset", "@import", "@namespace", "@layer"}) {
            if (text::SameIgnoringAsciiCase(keyword, known)) {
                return true;
            }
        }
        return false;
    }

    // Just past the first ";" from at that is outside strings, comments and brackets (the one
    // of url(a;b.css) is not the end); npos when a block or the end of the text comes first.
    std::size_t PreludeEnd(std::size_t at) const {
        int depth = 0;
        for (; at < text_.size(); ++at) {
            const char byte = text_[at];
            if (byte == '\\') {
                ++at;
            } else if (byte == '"' || byte == '\'') {
                at = StringEnd(at);
            } else if (text_.substr(at).starts_with("/*")) {
                const std::size_t close = text_.find("*/", at + 2);
                at = close == npos ? npos : close + 1;
            } else if (byte == '(' || byte == '[') {
                ++depth;
            } else if ((byte == ')' || byte == ']') && depth > 0) {
                --depth;
            } else if (byte == '{' || byte == '}') {
                return npos;
            } else if (byte == ';' && depth == 0) {
                return at + 1;
            }
            if (at == npos) {
                return npos;
            }
        }
        return npos;
    }

    // The closing quote of the string opened at open; npos when it is never closed.
    std::size_t StringEnd(std::size_t open) const {
        for (std::size_t at = open + 1; at < text_.size(); ++at) {
            if (text_[at] == '\\') {
                ++at;
            } else if (text_[at] == text_[open]) {
                return at;
            }
        }
        return npos;
    }

    // Past the blanks and the line end that follow at, when the line ends there; else at.
    std::size_t AfterLineEnd(std::size_t at) const {
        std::size_t next = at;
        while (next < text_.size() && (text_[next] == ' ' || text_[next] == '\t')) {
            ++next;
        }
        if (text_.substr(next).starts_with("\r\n")) {
            return next + 2;
        }
        return next < text_.size() && (text_[next] == '\n' || text_[next] == '\r') ? next + 1 : at;
    }

    std::string_view text_;
};

// The pieces of whole with text put in at each place, in the order of the places.
Pieces Spliced(std::string_view whole, std::size_t firstAt, std::string_view first,
               std::size_t secondAt, std::string_view second) {
    if (secondAt < firstAt) {
        return Spliced(whole, secondAt, second, firstAt, first);
    }
    return {whole.substr(0, firstAt), first, whole.substr(firstAt, secondAt - firstAt), second,
            whole.substr(secondAt)};
}

// Cases 2 and 3, for a stylesheet without "@font-face". A usable first "body" (at the start,
// after a byte order mark too, or after a whitespace byte) gets the family after its next "{";
// without a usable "body", or without a "{" after it, the rule and a body rule go in. The new
// rule goes at head.
Pieces AddFontRule(std::string_view searchable, std::string_view whole, std::size_t head) {
    const std::size_t body = searchable.find("body");
    const bool usable = body != npos && (body == TextStart(searchable) ||
                                         (body > 0 && IsWhitespaceByte(searchable[body - 1])));
    const std::size_t brace = usable ? searchable.find('{', body) : npos;
    if (brace == npos) {
        return {whole.substr(0, head), text::FontFaceWithBodyRule, whole.substr(head)};
    }
    return Spliced(whole, head, text::FontFaceRule, brace + 1, text::BodyFontLine);
}

// The new content of the stylesheet as pieces to write in order; empty when it stays as it is.
Pieces PlanRewrite(std::string_view searchable, std::string_view whole) {
    const std::size_t rule = searchable.find("@font-face");
    return rule != npos ? ExtendFontRule(searchable, whole, rule)
                        : AddFontRule(searchable, whole, StylesheetHead(searchable).End());
}

}  // namespace

namespace text {

std::optional<std::string> InjectFontStylesheet(std::string_view stylesheet) {
    // ASCII written into UTF-16 would be garbage, and a byte before the mark would hide it.
    if (HasUtf16ByteOrderMark(stylesheet)) {
        return std::nullopt;
    }
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
