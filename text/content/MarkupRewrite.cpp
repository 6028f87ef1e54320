#include "text/content/MarkupRewrite.hpp"

#include <array>
#include <cstring>
#include <utility>

#include "text/content/LanguageTags.hpp"
#include "text/content/MarkupConventions.hpp"
#include "text/content/StylesheetRewrite.hpp"
#include "text/unicode/AsciiCase.hpp"

namespace text {
namespace {

// What an attribute's value holds, by the attribute's local name.
enum class ValueRole { Other, Reference, SourceSet, Name, Language, Style, FontName };

constexpr std::array<std::pair<std::string_view, ValueRole>, 14> kRoles{{
    {"href", ValueRole::Reference},
    {"src", ValueRole::Reference},
    {"full-path", ValueRole::Reference},
    {"poster", ValueRole::Reference},
    {"data", ValueRole::Reference},
    {"refines", ValueRole::Reference},
    {"srcset", ValueRole::SourceSet},
    {"id", ValueRole::Name},
    {"idref", ValueRole::Name},
    {"name", ValueRole::Name},
    {"lang", ValueRole::Language},
    {"style", ValueRole::Style},
    {"face", ValueRole::FontName},
    {"font-family", ValueRole::FontName},
}};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool EndsName(char c) {
    return IsSpace(c) || c == '>' || c == '/' || c == '=';
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

// The name after its prefix: "lang" for "xml:lang", "href" for "xlink:href".
std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

ValueRole RoleOf(std::string_view attribute) {
    const std::string_view local = LocalName(attribute);
    for (const auto& [name, role] : kRoles) {
        if (SameIgnoringAsciiCase(local, name)) {
            return role;
        }
    }
    return ValueRole::Other;
}

// One pass over the markup; every step moves forward, and text between tags is skipped with
// memchr, so malformed markup costs linear time.
class MarkupScanner {
  public:
    MarkupScanner(TextRewriter& rewriter, std::string_view languageTag, ScriptDirection direction,
                  const BookConventions& conventions)
        : rewriter_(rewriter),
          text_(rewriter.Content()),
          languageTag_(languageTag),
          direction_(direction),
          conventions_(rewriter, direction, conventions) {}

    void Run() {
        std::size_t at = 0;
        while (at < text_.size()) {
            const std::size_t markup = Find('<', at);
            conventions_.Text(at, markup);
            if (markup == text_.size()) {
                break;
            }
            at = AfterMarkup(markup);
        }
        conventions_.Finish();
    }

  private:
    char At(std::size_t at) const { return at < text_.size() ? text_[at] : '\0'; }

    // The offset of byte c at or after from, or the end.
    std::size_t Find(char c, std::size_t from) const {
        if (from >= text_.size()) {
            return text_.size();
        }
        const void* found = std::memchr(text_.data() + from, c, text_.size() - from);
        return found == nullptr
                   ? text_.size()
                   : static_cast<std::size_t>(static_cast<const char*>(found) - text_.data());
    }

    // The offset after the first terminator at or after from, or the end.
    std::size_t After(std::string_view terminator, std::size_t from) const {
        const std::size_t found = text_.find(terminator, from);
        return found == std::string_view::npos ? text_.size() : found + terminator.size();
    }

    std::size_t SkipSpace(std::size_t at) const {
        while (at < text_.size() && IsSpace(text_[at])) {
            ++at;
        }
        return at;
    }

    // at is on '<'.
    std::size_t AfterMarkup(std::size_t at) {
        const std::string_view rest = text_.substr(at);
        if (rest.starts_with("<!--")) {
            return After("-->", at + 4);
        }
        if (rest.starts_with("<![CDATA[")) {
            return After("]]>", at + 9);
        }
        if (rest.starts_with("<?xml-stylesheet")) {
            return AfterStartTag(at + 2, false);  // its pseudo-attributes name the stylesheet
        }
        if (rest.starts_with("<?")) {
            return After("?>", at + 2);
        }
        if (rest.starts_with("<!")) {
            return After(">", at + 2);
        }
        if (rest.starts_with("</")) {
            return AfterEndTag(at);
        }
        const char first = At(at + 1);
        if ((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z') || first == '_') {
            return AfterStartTag(at + 1, true);
        }
        return at + 1;
    }

    // at is on the element's name (element: false for a processing instruction). Returns the
    // offset after the tag and, for a <style>, a <script> or a dc:language, after its text.
    std::size_t AfterStartTag(std::size_t at, bool element) {
        const std::size_t nameBegin = at;
        while (at < text_.size() && !EndsName(text_[at])) {
            ++at;
        }
        const std::string_view name = text_.substr(nameBegin, at - nameBegin);
        if (element) {
            conventions_.StartTag(name, nameBegin - 1);
        }
        bool selfClosing = false;
        std::size_t closeAt = 0;
        while (true) {
            at = SkipSpace(at);
            if (at >= text_.size()) {
                return at;
            }
            closeAt = at;
            if (text_[at] == '>') {
                ++at;
                break;
            }
            if (text_[at] == '/' && At(at + 1) == '>') {
                selfClosing = true;
                at += 2;
                break;
            }
            at = AfterAttribute(at, element);
        }
        if (element) {
            conventions_.StartTagEnd(closeAt, at, selfClosing);
        }
        return selfClosing ? at : AfterContent(name, at);
    }

    // at is on the "</" of an end tag.
    std::size_t AfterEndTag(std::size_t at) {
        std::size_t nameEnd = at + 2;
        while (nameEnd < text_.size() && !EndsName(text_[nameEnd])) {
            ++nameEnd;
        }
        const std::size_t end = After(">", nameEnd);
        conventions_.EndTag(text_.substr(at + 2, nameEnd - at - 2), at, end);
        return end;
    }

    // at is on an attribute's name (or a stray '/' or '='). Returns the offset after it and
    // its value, or after the quote of a value that is never closed.
    std::size_t AfterAttribute(std::size_t at, bool element) {
        const std::size_t nameBegin = at;
        while (at < text_.size() && !EndsName(text_[at])) {
            ++at;
        }
        if (at == nameBegin) {
            return at + 1;  // a stray '/' or '='
        }
        const std::string_view name = text_.substr(nameBegin, at - nameBegin);
        at = SkipSpace(at);
        if (At(at) != '=') {
            return at;  // no value
        }
        at = SkipSpace(at + 1);
        if (at >= text_.size()) {
            return at;
        }
        std::size_t valueBegin = at, valueEnd = at;
        if (IsQuote(text_[at])) {
            valueBegin = at + 1;
            // A quote never closed means none of its kind follows, so this search fails once at
            // most.
            valueEnd = Find(text_[at], valueBegin);
            if (valueEnd == text_.size()) {
                return valueBegin;  // never closed: read on after the quote
            }
            at = valueEnd + 1;
        } else {
            while (valueEnd < text_.size() && !IsSpace(text_[valueEnd]) && text_[valueEnd] != '>') {
                ++valueEnd;
            }
            at = valueEnd;
        }
        MarkValue(RoleOf(name), valueBegin, valueEnd);
        if (element) {
            conventions_.Attribute(name, valueBegin, valueEnd);
        }
        return at;
    }

    void MarkValue(ValueRole role, std::size_t begin, std::size_t end) {
        switch (role) {
            case ValueRole::Reference:
                MarkTrimmed(begin, end, &MarkupScanner::MarkReference);
                break;
            case ValueRole::SourceSet:
                MarkSourceSet(begin, end);
                break;
            case ValueRole::Name:
                rewriter_.ConvertAsName(begin, end);
                break;
            case ValueRole::Language:
                MarkTrimmed(begin, end, &MarkupScanner::MarkLanguage);
                break;
            case ValueRole::Style:
                RewriteStylesheet(rewriter_, begin, end, CssForm::Declarations);
                break;
            case ValueRole::FontName:
                rewriter_.Keep(begin, end);
                break;
            case ValueRole::Other:
                break;
        }
    }

    // Calls mark on [begin, end) without the white space around it.
    void MarkTrimmed(std::size_t begin, std::size_t end,
                     void (MarkupScanner::*mark)(std::size_t, std::size_t)) {
        while (begin < end && IsSpace(text_[begin])) {
            ++begin;
        }
        while (end > begin && IsSpace(text_[end - 1])) {
            --end;
        }
        (this->*mark)(begin, end);
    }

    void MarkReference(std::size_t begin, std::size_t end) {
        rewriter_.ConvertAsReference(begin, end);
    }

    void MarkLanguage(std::size_t begin, std::size_t end) {
        if (IsSourceScriptTag(text_.substr(begin, end - begin), direction_)) {
            rewriter_.Replace(begin, end, languageTag_);
        }
    }

    // "a.jpg 1x, b.jpg 2x": each candidate's reference comes first, its descriptors after it.
    void MarkSourceSet(std::size_t at, std::size_t end) {
        while (at < end) {
            while (at < end && (IsSpace(text_[at]) || text_[at] == ',')) {
                ++at;
            }
            std::size_t urlEnd = at;
            while (urlEnd < end && !IsSpace(text_[urlEnd])) {
                ++urlEnd;
            }
            const bool lastInCandidate = urlEnd > at && text_[urlEnd - 1] == ',';
            rewriter_.ConvertAsReference(at, lastInCandidate ? urlEnd - 1 : urlEnd);
            at = urlEnd;
            if (!lastInCandidate) {
                while (at < end && text_[at] != ',') {
                    ++at;
                }
            }
        }
    }

    // at is after the start tag of name: the text of elements read apart from markup.
    std::size_t AfterContent(std::string_view name, std::size_t at) {
        const std::string_view local = LocalName(name);
        if (SameIgnoringAsciiCase(local, "style")) {
            const std::size_t end = ClosingTag(name, at);
            RewriteStylesheet(rewriter_, at, end, CssForm::Stylesheet);
            return end;
        }
        if (SameIgnoringAsciiCase(local, "script")) {
            return ClosingTag(name, at);
        }
        if (SameIgnoringAsciiCase(local, "language")) {
            const std::size_t end = Find('<', at);
            MarkTrimmed(at, end, &MarkupScanner::MarkLanguage);
            return end;
        }
        return at;
    }

    // The offset of the closing tag "</name" at or after from, or the end.
    std::size_t ClosingTag(std::string_view name, std::size_t from) const {
        for (std::size_t at = Find('<', from); at < text_.size(); at = Find('<', at + 1)) {
            const std::size_t nameEnd = at + 2 + name.size();
            if (At(at + 1) == '/' && nameEnd <= text_.size() &&
                SameIgnoringAsciiCase(text_.substr(at + 2, name.size()), name) &&
                (nameEnd == text_.size() || EndsName(text_[nameEnd]))) {
                return at;
            }
        }
        return text_.size();
    }

    TextRewriter& rewriter_;
    std::string_view text_;
    std::string_view languageTag_;
    ScriptDirection direction_;
    MarkupConventions conventions_;
};

}  // namespace

void RewriteMarkup(TextRewriter& rewriter, std::string_view languageTag, ScriptDirection direction,
                   const BookConventions& conventions) {
    MarkupScanner(rewriter, languageTag, direction, conventions).Run();
}

}  // namespace text
