#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/content/BookConventions.hpp"
#include "text/content/TextRewriter.hpp"

namespace text {

// Sets a book's layout in its markup, as the scanner of a file meets the tags:
// - a content document's (an <html>'s) <body> gets writing-mode (with its -epub- and -webkit-
// forms) in its
//   style attribute, marked !important: nothing of the book's own style sheets outranks it;
//   a <style> at the end of <head> says the same for <html>;
// - the package's spine gets page-progression-direction, and its metadata the
//   primary-writing-mode meta (vertical), or loses it (horizontal).
// Nothing happens for PageLayout::AsBook.
class LayoutMarks {
  public:
    LayoutMarks(TextRewriter& rewriter, PageLayout layout);

    bool Active() const { return layout_ != PageLayout::AsBook; }
    // A start tag of name beginning at tagBegin ('<'); its attributes follow.
    void StartTag(std::string_view name, std::size_t tagBegin);
    void Attribute(std::string_view name, std::size_t valueBegin, std::size_t valueEnd);
    // The start tag ends: closeAt is on its '>' or "/>", tagEnd after it.
    void StartTagEnd(std::size_t closeAt, std::size_t tagEnd, bool selfClosing);
    // An end tag of name at [tagBegin, tagEnd).
    void EndTag(std::string_view name, std::size_t tagBegin, std::size_t tagEnd);

  private:
    enum class Tag { Other, Body, Package, Spine, Meta };

    TextRewriter& rewriter_;
    PageLayout layout_;
    std::string declarations_;  // the writing-mode declarations, without braces
    std::string_view text_;
    Tag tag_ = Tag::Other;
    std::size_t tagBegin_ = 0;
    std::size_t styleEnd_ = 0;        // the end of <body>'s style value; 0: none
    std::size_t directionBegin_ = 0;  // the spine's page-progression-direction value
    std::size_t directionEnd_ = 0;
    std::size_t contentBegin_ = 0;  // the meta's content value
    std::size_t contentEnd_ = 0;
    bool writingModeMeta_ = false;  // the meta at hand names primary-writing-mode
    bool metaSeen_ = false;         // the package holds that meta
    bool package_ = false;          // the file is a package document
    bool html_ = false;             // an <html> was seen: NCX and SMIL have a head and a body too
    bool epub3_ = false;
    std::size_t metaRemovalBegin_ = std::string_view::npos;  // an open meta to remove
};

}  // namespace text
