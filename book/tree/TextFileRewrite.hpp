#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "text/content/BookConventions.hpp"
#include "text/convert/TextConverter.hpp"
#include "text/profile/ConversionProfile.hpp"

// The new content of a file given its whole old content, or nullopt when it stays as it is.
using ContentTransform = std::function<std::optional<std::string>(std::string_view)>;

// Takes a note on a file worth a word to the user, a line without a line feed.
using FileNote = std::function<void(std::string_view line)>;

// Reads the file at path whole and, when transform gives new content, writes that to a new file
// beside it with its permission bits, which then replaces it whole, so the file is never left
// half written. A markup file or stylesheet (by its name) in UTF-16 or a declared GB encoding
// reaches transform in UTF-8 with its declarations saying UTF-8, and is written back so even
// when transform leaves it; one whose declaration and bytes disagree is left as it is, with a
// note. Returns the reason, naming the file as shownName, when the file cannot be read, held in
// memory or replaced; nullopt otherwise.
std::optional<std::string> ReplaceFileContents(const std::string& path,
                                               const std::string& shownName,
                                               const ContentTransform& transform,
                                               const FileNote& note = {});

// The converter, profile and conventions a book's text files are converted with.
struct TextConversion {
    const text::TextConverter& converter;
    text::Profile profile;
    text::BookConventions conventions = {};
};

// Converts the file at path through ReplaceFileContents when it is taken for text. A file that
// is not text, or whose text (in its own encoding) does not change, stays as it is.
std::optional<std::string> ConvertTextFile(const std::string& path, const std::string& shownName,
                                           const TextConversion& conversion,
                                           const FileNote& note = {});
