#include "text/convert/CharacterTableConverter.hpp"

#include <algorithm>
#include <array>
#include <memory>

#include "text/unicode/Utf8Codec.hpp"

namespace text {
namespace {

constexpr std::size_t kStackUnits = 1024;

// The BMP character at the start of well-formed UTF-8 (0 for any other) and its length.
std::size_t NextBmpCharacter(const unsigned char* bytes, char32_t& unit) {
    const unsigned lead = bytes[0];
    unit = 0;
    if (lead < 0xC0) {
        return 1;
    }
    if (lead < 0xE0) {
        return 2;
    }
    if (lead < 0xF0) {
        unit = ((lead & 0x0Fu) << 12) | ((bytes[1] & 0x3Fu) << 6) | (bytes[2] & 0x3Fu);
        return 3;
    }
    return 4;
}

}  // namespace

CharacterTableConverter::CharacterTableConverter(const ScriptMapping& mapping)
    : mapping_(mapping), unitInfo_(0x10000) {
    for (std::size_t unit = 0; unit < unitInfo_.size(); ++unit) {
        // The UTF-8 bytes of the unit's character; a surrogate is half of a four-byte one.
        unitInfo_[unit] = unit < 0x80                                          ? 1
                          : unit < 0x800 || (unit >= 0xD800 && unit <= 0xDFFF) ? 2
                                                                               : 3;
    }
    for (const UncertainChoice& choice : mapping.Choices()) {
        if (choice.source.size() != 3) {
            continue;  // the table's characters that offer choices are all of three bytes
        }
        char32_t unit = 0;
        NextBmpCharacter(reinterpret_cast<const unsigned char*>(choice.source.data()), unit);
        unitInfo_[unit] |= kUncertain;
        choices_.emplace_back(static_cast<char16_t>(unit), &choice);
    }
    std::sort(choices_.begin(), choices_.end());
}

// The table maps every character alone, so each uncertain one is a place; its offset in utf8
// follows from the lengths of the units before it.
void CharacterTableConverter::NoteUnits(const char16_t* units, std::size_t count,
                                        std::string_view utf8, UncertainPlaces& places) const {
    const std::uint8_t* info = unitInfo_.data();
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t unit = info[units[i]];
        if ((unit & kUncertain) != 0) {
            const auto found = std::lower_bound(
                choices_.begin(), choices_.end(), units[i],
                [](const auto& item, char16_t wanted) { return item.first < wanted; });
            places.Note(utf8.data() + at, *found->second);
        }
        at += unit & kLengthMask;
    }
}

void CharacterTableConverter::ConvertWellFormedNoting(std::string_view utf8, std::string& out,
                                                      UncertainPlaces& places) const {
    Run<true>(utf8, out, &places);
}

void CharacterTableConverter::ConvertWellFormed(std::string_view utf8, std::string& out) const {
    Run<false>(utf8, out, nullptr);
}

template <bool kNoting>
void CharacterTableConverter::Run(std::string_view utf8, std::string& out,
                                  UncertainPlaces* places) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    // Never more units than bytes; one more for the encoder's terminator. Short stretches (text
    // between marks a book's markup asks to be kept) stay off the heap.
    std::array<char16_t, kStackUnits> onStack;
    std::unique_ptr<char16_t[]> onHeap;
    char16_t* units = onStack.data();
    if (utf8.size() + 1 > onStack.size()) {
        onHeap = std::make_unique_for_overwrite<char16_t[]>(utf8.size() + 1);
        units = onHeap.get();
    }
    const DecodeResult decoded = DecodeUtf8(units, utf8.size(), bytes, utf8.size());
    if constexpr (kNoting) {
        NoteUnits(units, decoded.units, utf8, *places);
    }
    int errorNumber = 0;
    std::span<char16_t> text(units, decoded.units);
    if (mapping_.Map(text, text, errorNumber) == 0) {
        // A refused mapping (no dictionary) leaves the text as it was; loading reports it.
        out.append(utf8);
        return;
    }
    units[decoded.units] = 0;
    const std::size_t start = out.size();
    out.resize(start + 3 * decoded.units + 1);
    const EncodeResult encoded =
        EncodeUtf8(reinterpret_cast<unsigned char*>(out.data() + start), out.size() - start, units);
    out.resize(start + encoded.bytes);
}

}  // namespace text
