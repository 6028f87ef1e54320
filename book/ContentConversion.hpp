#pragma once

#include <string>
#include <string_view>

#include "text/ConversionProfile.hpp"
#include "text/TextConverter.hpp"

// How the job converts what a book's files hold and what they are called: the one place that
// hands a file's text and a name to the text conversion.

// What a text file holds, told by its name's extension (case aside).
enum class ContentKind { Markup, Stylesheet, OtherText };

// The kind of the file named fileName (a name, not a path).
ContentKind KindOfFile(std::string_view fileName);

// The converted content of a text file of that kind.
std::string ConvertContent(std::string_view content, ContentKind kind,
                           const text::TextConverter& converter, text::Profile profile);

// What one component of a path (a file or folder name) becomes, exactly as the same text
// becomes in a reference, so renamed files stay reachable.
std::string ConvertNameComponent(std::string_view component, const text::TextConverter& converter);
