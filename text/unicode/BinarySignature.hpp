#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// Tells the files a book converts as text from the others: binary formats by their first bytes,
// whatever text they happen to hold later (a GIF comment may well say "charset=utf-8").
namespace text {

// The most leading bytes any signature looks at; a caller may pass just these.
inline constexpr std::size_t kSignatureLength = 16;

// The name of the image, font, audio, video, PDF or ZIP format whose signature head starts
// with ("PNG", "WOFF2", ...), or nullopt when it starts with none of them.
std::optional<std::string_view> BinaryFormatOf(std::string_view head);

// True when head starts with the signature of one of those formats: such a file is never text.
inline bool HasBinarySignature(std::string_view head) {
    return BinaryFormatOf(head).has_value();
}

// True when bytes are taken for UTF-8 text: no binary format's signature at the start, and they
// say "utf-8" or "UTF-8" before their first zero byte or pass a lenient well-formedness test.
bool IsTakenForUtf8Text(std::string_view bytes);

}  // namespace text
