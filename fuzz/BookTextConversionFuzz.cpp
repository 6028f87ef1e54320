// A book file's text in any kind and profile: conversion never crashes or hangs, plain text is
// exactly the converter's output, and text the converters cannot change (ASCII without a
// Chinese language tag, no escape) comes out byte for byte as it went in.
#include <algorithm>
#include <cctype>
#include <cstdint>

#include "fuzz/FuzzSupport.hpp"
#include "text/content/BookTextConversion.hpp"
#include "text/profile/ConversionProfile.hpp"

using fuzz_support::Check;

namespace {

constexpr text::BookTextKind kKinds[] = {text::BookTextKind::Markup, text::BookTextKind::Stylesheet,
                                         text::BookTextKind::PlainText};
constexpr text::Profile kProfiles[] = {text::Profile::Char, text::Profile::S2twp};

const text::TextConverter& ConverterOf(text::Profile profile) {
    // Loaded once: the fuzzer calls in millions of times.
    static const text::LoadedConverter table = text::LoadConverter(text::Profile::Char);
    static const text::LoadedConverter phrases = text::LoadConverter(text::Profile::S2twp);
    const text::LoadedConverter& loaded = profile == text::Profile::Char ? table : phrases;
    Check(loaded.converter != nullptr, "the profile's converter loads");
    return *loaded.converter;
}

// True when no converter can change the text: ASCII only, nothing a language tag could be.
bool Unconvertible(std::string_view text) {
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // Character references (&#x540E;) and percent escapes in names decode to what converts.
    return ascii && lower.find("zh") == std::string::npos &&
           lower.find_first_of("&%") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const text::BookTextKind kind = kKinds[data[0] % 3];
    const text::Profile profile = kProfiles[(data[0] / 3) % 2];
    const std::string_view content = fuzz_support::AsText(data + 1, size - 1);
    const text::TextConverter& converter = ConverterOf(profile);
    const std::string converted = text::ConvertBookText(content, kind, converter, profile);
    if (kind == text::BookTextKind::PlainText) {
        Check(converted == converter.Convert(content), "plain text is the converter's output");
    }
    if (Unconvertible(content)) {
        Check(converted == content, "text no converter changes stays as it was");
    }
    return 0;
}
