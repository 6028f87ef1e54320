#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/content/ReferenceConversion.hpp"
#include "text/convert/TextConverter.hpp"

namespace text {

// Writes the converted form of one text in which some spans get a form of their own (a kept
// font name, a reference converted as names, a language tag). Everything between those spans
// goes to the converter in one stretch, so phrases see whole sentences. Spans are given in
// increasing order without overlap; one that starts behind what is already written is ignored.
class TextRewriter {
  public:
    // content and converter must outlive the rewriter, which appends to out. In markup, names
    // may hold character references (&#x540E;).
    TextRewriter(std::string_view content, ReferenceSyntax syntax, const TextConverter& converter,
                 std::string& out)
        : content_(content), syntax_(syntax), converter_(converter), out_(out) {}

    std::string_view Content() const { return content_; }

    // Notes the uncertain choices of the stretches converted from here on in places, and counts
    // there the characters changed, in spans too (names, references, quotes, language tags).
    void NoteIn(UncertainPlaces* places) {
        places_ = places;
        if (places_ != nullptr) {
            places_->Within(content_);
        }
    }

    // Writes replacement in place of content[begin, end).
    void Replace(std::size_t begin, std::size_t end, std::string_view replacement);
    // Keeps content[begin, end) byte for byte.
    void Keep(std::size_t begin, std::size_t end);
    // Converts content[begin, end) on its own, as a name (an id that fragments name).
    void ConvertAsName(std::size_t begin, std::size_t end);
    // Converts content[begin, end) as a reference (ConvertReference).
    void ConvertAsReference(std::size_t begin, std::size_t end);
    // Converts what is left after the last span; call once at the end.
    void Finish();

    // From Hold to Release, spans wait so that a span found later may lie before them (the
    // quotes of a paragraph are paired at its end); Release writes them in order of offset.
    void Hold() { holding_ = true; }
    void Release();

  private:
    // Converts the stretch before begin; false when begin lies behind what is written.
    bool ConvertUpTo(std::size_t begin);
    // True when content[begin, end) holds a byte that is not ASCII.
    bool HasNonAscii(std::size_t begin, std::size_t end) const;

    std::string_view content_;
    ReferenceSyntax syntax_;
    const TextConverter& converter_;
    std::string& out_;
    std::size_t written_ = 0;  // content before this offset is in out_
    UncertainPlaces* places_ = nullptr;

    struct HeldSpan {
        std::size_t begin;
        std::size_t end;
        std::string replacement;
    };
    bool holding_ = false;
    std::vector<HeldSpan> held_;
};

}  // namespace text
