#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// Recognises files that are binary by their first bytes, whatever text they happen to hold
// later (a GIF comment may well say "charset=utf-8").
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

}  // namespace text
