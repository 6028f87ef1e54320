#pragma once

#include <string>
#include <string_view>

#include "text/convert/TextConverter.hpp"

// Names inside a book: file and folder names, the segments and fragments of references to them,
// and ids. Each name is converted on its own, apart from any text around it, so a reference
// and the file or id it points at always come out alike.
namespace text {

// The converted form of one file or folder name (one path component, as stored on disk): the
// very name a raw reference segment to it becomes.
std::string ConvertFileName(std::string_view name, const TextConverter& converter);

// The escapes a name may use besides raw bytes.
struct NameEscapes {
    bool percent = false;              // %E5%90%8E: bytes of UTF-8, as URLs write them
    bool characterReferences = false;  // &#x540E; or &#21518;: characters, as XML writes them
};

// Appends the converted form of one name as the book writes it (a path segment, a fragment, an
// id). Escaped characters are decoded and converted together with the raw text around them,
// then written back in the same style: unchanged characters exactly as they were, changed ones
// escaped where they were escaped (same kind of escape, same case of hex digits) and raw where
// they were raw. Decoding the result gives ConvertFileName of the decoded name.
void AppendConvertedName(std::string_view name, NameEscapes escapes, const TextConverter& converter,
                         std::string& out);

}  // namespace text
