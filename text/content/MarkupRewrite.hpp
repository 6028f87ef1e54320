#pragma once

#include <string_view>

#include "text/content/BookConventions.hpp"
#include "text/content/TextRewriter.hpp"
#include "text/convert/ScriptDirection.hpp"

namespace text {

// Marks the spans of markup (XHTML, HTML, XML, package document, NCX, SVG) at
// rewriter.Content() that do not convert as text: references (href, src, xlink:href,
// full-path, poster, data, srcset, refines) convert as names, ids (id, idref, name) convert on
// their own like the fragments that name them, Chinese tags in lang, xml:lang and dc:language
// of the script that direction converts from become languageTag, font names (face,
// font-family attributes) stay as they are, and <style> blocks and style="" attributes are
// read as CSS (RewriteStylesheet). The text of elements marked with a language that stays is
// kept, and the reader's conventions apply as MarkupConventions tells.
void RewriteMarkup(TextRewriter& rewriter, std::string_view languageTag, ScriptDirection direction,
                   const BookConventions& conventions);

}  // namespace text
