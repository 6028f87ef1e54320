#pragma once

#include <string>
#include <string_view>

#include "text/TextConverter.hpp"

namespace text {

// True when the reference leads outside the book: it names a scheme (https:, mailto:, data:,
// res: ...) or a host (//host/...).
bool LeadsOutsideBook(std::string_view reference);

// The converted form of a reference inside a book (href, src, url() ...): each path segment and
// the fragment converted as names (AppendConvertedName), so that the reference follows its
// renamed file and its converted id. The query and references that lead outside the book stay
// as they are.
std::string ConvertReference(std::string_view reference, const TextConverter& converter);

// True when ConvertReference could change the reference: it holds a byte that is not ASCII or
// a percent sign. Plain ASCII references pass unchanged through every converter.
bool MayConvertReference(std::string_view reference);

}  // namespace text
