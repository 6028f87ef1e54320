#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "text/content/BookConventions.hpp"
#include "text/content/LanguageScope.hpp"
#include "text/content/LayoutMarks.hpp"
#include "text/content/QuotePairing.hpp"
#include "text/content/TextRewriter.hpp"

namespace text {

// What the reader's conventions do to one markup file, told by its scanner as it goes: text
// marked with a language that stays is kept (LanguageScope), quotation marks are paired within
// each paragraph (QuotePairing) and the layout is set (LayoutMarks). A paragraph is the text
// between two tags of elements other than the inline ones (a, span, em, ruby, br, ...).
class MarkupConventions {
  public:
    MarkupConventions(TextRewriter& rewriter, ScriptDirection direction,
                      const BookConventions& conventions);

    // Text content at [begin, end), between tags.
    void Text(std::size_t begin, std::size_t end);
    // A start tag of name at tagBegin; its attributes follow, then its end.
    void StartTag(std::string_view name, std::size_t tagBegin);
    void Attribute(std::string_view name, std::size_t valueBegin, std::size_t valueEnd);
    void StartTagEnd(std::size_t closeAt, std::size_t tagEnd, bool selfClosing);
    void EndTag(std::string_view name, std::size_t tagBegin, std::size_t tagEnd);
    // The end of the file.
    void Finish();

  private:
    void MaybeEndParagraph(std::string_view name);

    TextRewriter& rewriter_;
    LanguageScope scope_;
    LayoutMarks layout_;
    std::optional<QuotePairing> quotes_;
    std::string_view tagName_;
    std::optional<std::string_view> language_;
};

}  // namespace text
