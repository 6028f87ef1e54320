#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "text/content/TextRewriter.hpp"
#include "text/convert/ScriptDirection.hpp"

namespace text {

// The quotation marks of one paragraph's text in the target script's form: toward Traditional
// “ ” become 「 」 and ‘ ’ become 『 』, toward Simplified the reverse. A mark is converted only
// with its partner in the same paragraph, nested as written; one without a partner stays, and so
// does ’ between two Latin letters or digits (don’t, 90’s), an apostrophe and no quote.
class QuotePairing {
  public:
    // text must outlive the pairing.
    QuotePairing(std::string_view text, ScriptDirection direction)
        : text_(text), direction_(direction) {}

    // Takes the marks of text[begin, end), a stretch of the paragraph's text content.
    void Collect(std::size_t begin, std::size_t end);
    // True when the paragraph so far holds a mark: from then on rewriter must hold its spans.
    bool HasMarks() const { return !marks_.empty(); }
    // Ends the paragraph: writes its paired marks through rewriter, which must be holding the
    // paragraph's spans from its first mark on.
    void EndParagraph(TextRewriter& rewriter);

  private:
    // A mark's kind is its index among its direction's four marks: opening double, closing
    // double, opening single, closing single.
    struct Mark {
        std::size_t at;
        int kind;
    };

    bool IsApostrophe(std::size_t at) const;

    std::string_view text_;
    ScriptDirection direction_;
    std::vector<Mark> marks_;
    // Indexes into marks_ of the unclosed double and single openings.
    std::array<std::vector<std::size_t>, 2> open_;
};

}  // namespace text
