#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "text/convert/ScriptMapping.hpp"
#include "text/convert/TextConverter.hpp"

namespace text {

// The one-to-one character table as a text converter: each character is replaced by its mapped
// form, so the text keeps its length in characters.
class CharacterTableConverter final : public TextConverter {
  public:
    // mapping must outlive the converter.
    explicit CharacterTableConverter(const ScriptMapping& mapping);

  private:
    void ConvertWellFormed(std::string_view utf8, std::string& out) const override;
    void ConvertWellFormedNoting(std::string_view utf8, std::string& out,
                                 UncertainPlaces& places) const override;
    template <bool kNoting>
    void Run(std::string_view utf8, std::string& out, UncertainPlaces* places) const;
    void NoteUnits(const char16_t* units, std::size_t count, std::string_view utf8,
                   UncertainPlaces& places) const;
    static std::size_t ChangedUnits(const char16_t* units, const char16_t* mapped,
                                    std::size_t count);
    const UncertainChoice& ChoiceOf(char16_t unit) const {
        return mapping_.Choices()[choiceIndex_[unit]];
    }

    const ScriptMapping& mapping_;
    // By UTF-16 unit: its character's UTF-8 length, and kUncertain for the mapping's uncertain
    // characters.
    static constexpr std::uint8_t kUncertain = 0x80;
    static constexpr std::uint8_t kLengthMask = 0x07;
    std::vector<std::uint8_t> unitInfo_;
    // By unit, for the uncertain ones: the index of its choice in the mapping's choices.
    std::vector<std::uint16_t> choiceIndex_;
};

}  // namespace text
