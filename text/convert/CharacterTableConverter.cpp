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
    const std::span<const UncertainChoice> choices = mapping.Choices();
    // One choice a unit at most, so that every index fits.
    for (std::size_t index = 0; index < choices.size() && index <= 0xFFFF; ++index) {
        if (choices[index].source.size() != 3) {
            continue;  // the table's characters that offer choices are all of three bytes
        }
        char32_t unit = 0;
        NextBmpCharacter(reinterpret_cast<const unsigned char*>(choices[index].source.data()),
                         unit);
        if (choiceIndex_.empty()) {
            choiceIndex_.resize(unitInfo_.size());
        }
        unitInfo_[unit] |= kUncertain;
        choiceIndex_[unit] = static_cast<std::uint16_t>(index);
    }
}

// The table maps every character alone, so each uncertain one is a place. Its offset in utf8
// follows from the lengths of the units before it, summed only for a place that is kept.
void CharacterTableConverter::NoteUnits(const char16_t* units, std::size_t count,
                                        std::string_view utf8, UncertainPlaces& places) const {
    const std::uint8_t* info = unitInfo_.data();
    std::size_t known = 0;  // the unit whose offset is at
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if ((info[units[i]] & kUncertain) == 0) [[likely]] {
            continue;
        }
        const UncertainChoice& choice = ChoiceOf(units[i]);
        if (places.KeepsNextPlace(choice)) {
            for (; known < i; ++known) {
                at += info[units[known]] & kLengthMask;
            }
        }
        places.Note(utf8.data() + at, choice);
    }
}

// The units that mapping changed.
std::size_t CharacterTableConverter::ChangedUnits(const char16_t* units, const char16_t* mapped,
                                                  std::size_t count) {
    std::size_t changed = 0;
    for (std::size_t i = 0; i < count; ++i) {
        changed += units[i] != mapped[i];
    }
    return changed;
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
    // With a report, the units are mapped apart, so that the changed ones can be counted.
    const std::size_t capacity = utf8.size() + 1;
    const std::size_t needed = kNoting ? 2 * capacity : capacity;
    std::array<char16_t, kStackUnits> onStack;
    std::unique_ptr<char16_t[]> onHeap;
    char16_t* units = onStack.data();
    if (needed > onStack.size()) {
        onHeap = std::make_unique_for_overwrite<char16_t[]>(needed);
        units = onHeap.get();
    }
    char16_t* mapped = kNoting ? units + capacity : units;
    const DecodeResult decoded = DecodeUtf8(units, utf8.size(), bytes, utf8.size());
    if constexpr (kNoting) {
        NoteUnits(units, decoded.units, utf8, *places);
    }
    int errorNumber = 0;
    if (mapping_.Map({units, decoded.units}, {mapped, decoded.units}, errorNumber) == 0) {
        // A refused mapping (no dictionary) leaves the text as it was; loading reports it.
        out.append(utf8);
        return;
    }
    if constexpr (kNoting) {
        places->Changed(ChangedUnits(units, mapped, decoded.units));
    }
    mapped[decoded.units] = 0;
    const std::size_t start = out.size();
    out.resize(start + 3 * decoded.units + 1);
    const EncodeResult encoded = EncodeUtf8(reinterpret_cast<unsigned char*>(out.data() + start),
                                            out.size() - start, mapped);
    out.resize(start + encoded.bytes);
}

}  // namespace text
