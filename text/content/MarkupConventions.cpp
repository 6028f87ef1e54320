#include "text/content/MarkupConventions.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

#include "text/unicode/AsciiCase.hpp"

namespace text {
namespace {

// Elements within a line of text, in order: a quotation may open and close across them.
constexpr std::array<std::string_view, 38> kInlineElements{
    "a",      "abbr",   "b",   "bdi",  "bdo",  "big",  "br",  "cite", "code",  "data",
    "del",    "dfn",    "em",  "font", "i",    "img",  "ins", "kbd",  "label", "mark",
    "q",      "rb",     "rp",  "rt",   "rtc",  "ruby", "s",   "samp", "small", "span",
    "strike", "strong", "sub", "sup",  "time", "tt",   "u",   "var"};

std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The first letters of the inline elements, a bit each: most block names (p, h1, div) are told
// apart by that alone.
constexpr std::uint32_t kInlineInitials = [] {
    std::uint32_t initials = 0;
    for (std::string_view element : kInlineElements) {
        initials |= 1u << (element[0] - 'a');
    }
    return initials;
}();

bool IsInline(std::string_view name) {
    const std::string_view local = LocalName(name);
    // This runs at the end of every paragraph with a mark.
    std::array<char, 8> lowered{};
    if (local.empty() || local.size() > lowered.size()) {
        return false;
    }
    const char initial = LoweredAscii(local[0]);
    if (initial < 'a' || initial > 'z' || (kInlineInitials & (1u << (initial - 'a'))) == 0) {
        return false;
    }
    for (std::size_t i = 0; i < local.size(); ++i) {
        lowered[i] = LoweredAscii(local[i]);
    }
    return std::binary_search(kInlineElements.begin(), kInlineElements.end(),
                              std::string_view(lowered.data(), local.size()));
}

// The value without the white space around it.
std::string_view Trimmed(std::string_view value) {
    const auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    };
    while (!value.empty() && space(value.front())) {
        value.remove_prefix(1);
    }
    while (!value.empty() && space(value.back())) {
        value.remove_suffix(1);
    }
    return value;
}

}  // namespace

MarkupConventions::MarkupConventions(TextRewriter& rewriter, ScriptDirection direction,
                                     const BookConventions& conventions)
    : rewriter_(rewriter), scope_(direction), layout_(rewriter, conventions.layout) {
    if (conventions.quotes) {
        quotes_.emplace(rewriter.Content(), direction);
    }
}

void MarkupConventions::Text(std::size_t begin, std::size_t end) {
    if (begin >= end) {
        return;
    }
    if (scope_.LeftAlone()) {
        rewriter_.Keep(begin, end);
    } else if (quotes_) {
        // Spans wait only in paragraphs with a mark: those before it are already in order.
        quotes_->Collect(begin, end);
        if (quotes_->HasMarks()) {
            rewriter_.Hold();
        }
    }
}

void MarkupConventions::StartTag(std::string_view name, std::size_t tagBegin) {
    tagName_ = name;
    language_.reset();
    if (layout_.Active()) {
        layout_.StartTag(name, tagBegin);
    }
}

void MarkupConventions::Attribute(std::string_view name, std::size_t valueBegin,
                                  std::size_t valueEnd) {
    if (SameIgnoringAsciiCase(LocalName(name), "lang")) {
        language_ = Trimmed(rewriter_.Content().substr(valueBegin, valueEnd - valueBegin));
    }
    if (layout_.Active()) {
        layout_.Attribute(name, valueBegin, valueEnd);
    }
}

void MarkupConventions::StartTagEnd(std::size_t closeAt, std::size_t tagEnd, bool selfClosing) {
    scope_.Open(tagName_, language_, selfClosing);
    MaybeEndParagraph(tagName_);
    if (layout_.Active()) {
        layout_.StartTagEnd(closeAt, tagEnd, selfClosing);
    }
}

void MarkupConventions::EndTag(std::string_view name, std::size_t tagBegin, std::size_t tagEnd) {
    scope_.Close(name);
    MaybeEndParagraph(name);
    if (layout_.Active()) {
        layout_.EndTag(name, tagBegin, tagEnd);
    }
}

void MarkupConventions::Finish() {
    if (quotes_ && quotes_->HasMarks()) {
        quotes_->EndParagraph(rewriter_);
        rewriter_.Release();
    }
}

void MarkupConventions::MaybeEndParagraph(std::string_view name) {
    if (quotes_ && quotes_->HasMarks() && !IsInline(name)) {
        quotes_->EndParagraph(rewriter_);
        rewriter_.Release();
    }
}

}  // namespace text
