#include "text/content/StylesheetRewrite.hpp"

#include <string_view>

#include "text/unicode/AsciiCase.hpp"

namespace text {
namespace {

bool IsCssSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsIdentifierByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

// One pass over a stylesheet; every step moves forward, so malformed CSS costs linear time.
class StylesheetScanner {
  public:
    StylesheetScanner(TextRewriter& rewriter, std::size_t end)
        : rewriter_(rewriter), css_(rewriter.Content().substr(0, end)) {}

    void Run(std::size_t at, CssForm form) {
        // The last significant byte: a declaration can start after '{' or ';'.
        char last = form == CssForm::Declarations ? ';' : '}';
        while (at < css_.size()) {
            const char c = css_[at];
            if (c == '/' && At(at + 1) == '*') {
                at = AfterComment(at);
            } else if (IsCssSpace(c)) {
                ++at;
            } else if (IsQuote(c)) {
                at = AfterString(at);
                last = c;
            } else if (c == '\\') {
                at += 2;
                last = 'a';
            } else if (c == '@') {
                const std::size_t end = IdentifierEnd(at + 1);
                at = SameIgnoringAsciiCase(Slice(at + 1, end), "import") ? AfterImport(end) : end;
                last = '@';
            } else if (IsIdentifierByte(c)) {
                at = AfterIdentifier(at, last);
            } else {
                last = c;
                ++at;
            }
        }
    }

  private:
    char At(std::size_t at) const { return at < css_.size() ? css_[at] : '\0'; }
    std::string_view Slice(std::size_t begin, std::size_t end) const {
        return css_.substr(begin, end - begin);
    }

    std::size_t IdentifierEnd(std::size_t at) const {
        while (at < css_.size() && IsIdentifierByte(css_[at])) {
            ++at;
        }
        return at;
    }

    // at is on "/*"; the offset after "*/", or the end when the comment is not closed.
    std::size_t AfterComment(std::size_t at) const {
        const std::size_t close = css_.find("*/", at + 2);
        return close == std::string_view::npos ? css_.size() : close + 2;
    }

    // at is on a quote; the offset after the closing quote. An unescaped line break ends a
    // string that was never closed, as CSS reads it.
    std::size_t AfterString(std::size_t at) const {
        const char quote = css_[at];
        for (++at; at < css_.size(); ++at) {
            if (css_[at] == '\\') {
                ++at;
            } else if (css_[at] == quote) {
                return at + 1;
            } else if (css_[at] == '\n') {
                return at;
            }
        }
        return css_.size();
    }

    std::size_t SkipSpaceAndComments(std::size_t at) const {
        while (at < css_.size()) {
            if (IsCssSpace(css_[at])) {
                ++at;
            } else if (css_[at] == '/' && At(at + 1) == '*') {
                at = AfterComment(at);
            } else {
                break;
            }
        }
        return at;
    }

    // at is on an identifier: url( and local( open functions; font-family and font open
    // declarations whose value names fonts.
    std::size_t AfterIdentifier(std::size_t at, char& last) {
        const bool startsDeclaration = last == '{' || last == ';';
        const std::size_t end = IdentifierEnd(at);
        const std::string_view name = Slice(at, end);
        if (At(end) == '(') {
            last = '(';
            if (SameIgnoringAsciiCase(name, "url")) {
                return AfterUrl(end + 1);
            }
            if (SameIgnoringAsciiCase(name, "local")) {
                return AfterLocal(end + 1);
            }
            return end + 1;
        }
        last = 'a';
        if (startsDeclaration &&
            (SameIgnoringAsciiCase(name, "font-family") || SameIgnoringAsciiCase(name, "font"))) {
            const std::size_t colon = SkipSpaceAndComments(end);
            if (At(colon) == ':') {
                const std::size_t valueEnd = ValueEnd(colon + 1, ";{}");
                rewriter_.Keep(colon + 1, valueEnd);
                return valueEnd;
            }
        }
        return end;
    }

    // at is after "url(": the reference inside, quoted or not, converts as names.
    std::size_t AfterUrl(std::size_t at) {
        at = SkipSpaceAndComments(at);
        std::size_t begin = at, end = at;
        if (IsQuote(At(at))) {
            const std::size_t after = AfterString(at);
            if (At(after - 1) != css_[at] || after == at + 1) {
                return after;  // never closed: not a reference
            }
            begin = at + 1;
            end = after - 1;
        } else {
            while (end < css_.size() && css_[end] != ')' && !IsCssSpace(css_[end]) &&
                   !IsQuote(css_[end])) {
                ++end;
            }
            if (end == css_.size()) {
                return end;  // never closed: not a reference
            }
        }
        rewriter_.ConvertAsReference(begin, end);
        const std::size_t close = css_.find(')', end);
        return close == std::string_view::npos ? css_.size() : close + 1;
    }

    // at is after "local(": the font name inside stays as it is.
    std::size_t AfterLocal(std::size_t at) {
        const std::size_t close = ValueEnd(at, ")");
        if (close == css_.size()) {
            return close;  // never closed: the rest is plain text
        }
        rewriter_.Keep(at, close);
        return close + 1;
    }

    // at is after "@import": a quoted reference converts as names; url() is read as usual.
    std::size_t AfterImport(std::size_t at) {
        at = SkipSpaceAndComments(at);
        if (!IsQuote(At(at))) {
            return at;
        }
        const std::size_t after = AfterString(at);
        if (At(after - 1) == css_[at] && after > at + 1) {
            rewriter_.ConvertAsReference(at + 1, after - 1);
        }
        return after;
    }

    // at is on '&': the offset after a character reference such as "&quot;" or "&#34;", or
    // after the '&' alone.
    std::size_t AfterEntity(std::size_t at) const {
        std::size_t end = at + 1;
        while (end < css_.size() && end - at <= 8 &&
               (IsIdentifierByte(css_[end]) || css_[end] == '#') &&
               static_cast<unsigned char>(css_[end]) < 0x80) {
            ++end;
        }
        return At(end) == ';' && end > at + 1 ? end + 1 : at + 1;
    }

    // The offset of the first of stops outside strings, comments and brackets, or the end.
    std::size_t ValueEnd(std::size_t at, std::string_view stops) const {
        int depth = 0;
        while (at < css_.size()) {
            const char c = css_[at];
            if (IsQuote(c)) {
                at = AfterString(at);
                continue;
            }
            if (c == '/' && At(at + 1) == '*') {
                at = AfterComment(at);
                continue;
            }
            if (c == '&') {
                at = AfterEntity(at);  // &quot; in a style="" attribute is a quote, not a ';'
                continue;
            }
            if (depth == 0 && stops.find(c) != std::string_view::npos) {
                return at;
            }
            if (c == '(') {
                ++depth;
            } else if (c == ')' && depth > 0) {
                --depth;
            } else if (c == '\\') {
                ++at;
            }
            ++at;
        }
        return css_.size();
    }

    TextRewriter& rewriter_;
    std::string_view css_;
};

}  // namespace

void RewriteStylesheet(TextRewriter& rewriter, std::size_t begin, std::size_t end, CssForm form) {
    if (end > rewriter.Content().size() || begin >= end) {
        return;
    }
    StylesheetScanner(rewriter, end).Run(begin, form);
}

}  // namespace text
