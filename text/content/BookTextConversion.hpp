#pragma once

#include <string>
#include <string_view>

#include "text/content/BookConventions.hpp"
#include "text/convert/TextConverter.hpp"
#include "text/profile/ConversionProfile.hpp"

// Converting the whole text of one file of an unpacked book so that the book still works:
// links follow renamed files and converted ids, font names stay, language tags follow the
// script.
namespace text {

enum class BookTextKind {
    Markup,      // XHTML, HTML, XML, package document, NCX, SVG
    Stylesheet,  // CSS
    PlainText,   // any other text: converted whole
};

// The kind of a book's file by its name's extension, in any case: .css is a stylesheet;
// .xhtml, .html, .htm, .xml, .opf, .ncx, .svg and .smil are markup; anything else plain text.
BookTextKind BookTextKindOf(std::string_view fileName);

// The converted text of one file: exactly converter.Convert(content), except that
// - font family names (font-family and font values, local() names, in stylesheets, <style>
//   blocks and style="" attributes) stay byte for byte;
// - references (href, src, xlink:href, full-path, poster, data, srcset, refines, url(),
//   @import) convert per path segment and fragment as names (ConvertReference), and ids (id,
//   idref, name) each on their own, so they agree with renamed files (ConvertFileName) and with
//   each other; references with a scheme stay as they are;
// - Chinese tags in dc:language, xml:lang and lang of the script the profile converts from
//   (Simplified or unmarked towards Traditional, Traditional towards Simplified) become the
//   profile's language tag;
// - text below <body> marked Japanese or already in the target script stays (LanguageScope);
// - in markup, conventions may ask for the target script's quotation marks in text content
//   and for a layout (MarkupConventions); by default they change nothing.
// Everything else reaches the converter in stretches as long as the carve-outs allow. Bytes
// that are not UTF-8 pass through; malformed markup or CSS is converted as text, in linear
// time. The uncertain choices taken in the text's stretches go to places, when given (names,
// references and ids are not noted). Throws std::bad_alloc when memory runs out, nothing else.
std::string ConvertBookText(std::string_view content, BookTextKind kind,
                            const TextConverter& converter, Profile profile,
                            const BookConventions& conventions = {},
                            UncertainPlaces* places = nullptr);

}  // namespace text
