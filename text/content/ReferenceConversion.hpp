#pragma once

#include <string>
#include <string_view>

#include "text/convert/TextConverter.hpp"

namespace text {

// Where a reference is written: markup also writes characters as references (&#x540E;).
enum class ReferenceSyntax { Stylesheet, Markup };

// True when the reference leads outside the book: it names a scheme (https:, mailto:, data:,
// res: ...) or a host (//host/...).
bool LeadsOutsideBook(std::string_view reference);

// The converted form of a reference inside a book (href, src, url() ...): each path segment and
// the fragment converted as names (AppendConvertedName, with percent escapes and, in markup,
// character references), so that the reference follows its renamed file and its converted id.
// The query and references that lead outside the book stay as they are.
std::string ConvertReference(std::string_view reference, ReferenceSyntax syntax,
                             const TextConverter& converter);

// True when ConvertReference could change the reference: it holds a byte that is not ASCII, a
// percent sign or an ampersand. Other ASCII passes unchanged through every converter.
bool MayConvertReference(std::string_view reference);

}  // namespace text
