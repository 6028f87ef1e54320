#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/convert/TextConverter.hpp"
#include "text/profile/ConversionProfile.hpp"

// The converter and profile a book's text files are converted with.
struct TextConversion {
    const text::TextConverter& converter;
    text::Profile profile;
};

// True when bytes are taken for UTF-8 text: no binary format's signature at the start, and they
// mention "utf-8" or "UTF-8" before their first zero byte or are well-formed UTF-8.
bool IsTakenForText(std::string_view bytes);

// Converts the file at path when it is taken for text, writing the result to a new file beside
// it that then replaces it whole, so the file is never left half written. A file that is not
// text, or whose text does not change, stays as it is. Returns the reason, naming the file as
// shownName, when the file cannot be read or written back; nullopt otherwise.
std::optional<std::string> ConvertTextFileOfBook(const std::string& path,
                                                 const std::string& shownName,
                                                 const TextConversion& conversion);
