#pragma once

#include <string>
#include <string_view>

// Book text in other encodings than UTF-8: UTF-16 (told by its byte-order mark, or by a
// declaration opening the file in UTF-16 bytes) and the GB family declared by the file (an XML
// declaration's encoding, <meta charset> or http-equiv's charset=, a stylesheet's @charset).
// Such text is read as UTF-8 with its declarations rewritten to say UTF-8, when its bytes agree
// with what it says it is. Telling the encoding looks at the first bytes and the declaration
// only, so UTF-8 text costs next to nothing.
namespace text {

// Where a file declares its encoding.
enum class DeclarationSyntax {
    Markup,      // an XML declaration, then the first <meta> with a charset in the first 1 KiB
    Stylesheet,  // @charset "...";  opening the file
};

enum class Reading {
    AsItIs,                  // UTF-8, undeclared, or an encoding left alone: use the bytes
    Decoded,                 // text holds the file in UTF-8
    Utf8DespiteDeclaration,  // declared GB but well-formed UTF-8 beyond ASCII: use the bytes
    Mismatch,                // declaration and bytes disagree: leave the file as it is
    NoDecoder,               // the system cannot decode the encoding: leave the file as it is
};

struct Utf8Reading {
    Reading reading = Reading::AsItIs;
    std::string_view encoding;  // what the bytes were read or tried as: "UTF-16LE", "GB18030"
    std::string declared;       // the encoding the file names, as written; empty when none
    std::string text;           // Decoded: the text in UTF-8, its declarations saying UTF-8
};

// How the file of bytes, whose declarations follow syntax, is read as UTF-8. A UTF-8
// byte-order mark means UTF-8 whatever is declared. GBK and GB2312 are read as GB18030, which
// holds them. Throws std::bad_alloc when memory runs out, nothing else.
Utf8Reading ReadAsUtf8(std::string_view bytes, DeclarationSyntax syntax);

// True when bytes start with a UTF-16 byte order mark, either way round.
bool HasUtf16ByteOrderMark(std::string_view bytes);

}  // namespace text
