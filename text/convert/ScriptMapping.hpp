#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "text/convert/UncertainPlaces.hpp"

// The Simplified-to-Traditional mapping that the character table converter calls, and the
// table that implements it from an OpenCC character dictionary.
namespace text {

// Error numbers of the mapping, the platform's own numbers for these causes.
inline constexpr int kErrorFileNotFound = 2;       // the dictionary is missing
inline constexpr int kErrorInvalidData = 13;       // the dictionary cannot be read as one
inline constexpr int kErrorInvalidParameter = 87;  // an empty text, or a destination too short

// Maps UTF-16 text one unit in, one unit out. Implementations are immutable once built, so one
// object may serve several threads.
class ScriptMapping {
  public:
    virtual ~ScriptMapping() = default;

    // Writes the mapped form of every source unit to the same position of destination, which
    // may be the source itself (mapping in place). Returns 1, or 0 with errorNumber set when
    // the text is refused: kErrorInvalidParameter for an empty source or a destination shorter
    // than it, otherwise the variant's own reason.
    int Map(std::span<const char16_t> source, std::span<char16_t> destination,
            int& errorNumber) const;

    // The characters whose dictionary entry offers more than one form, each mapped to the
    // first; numbered from 0. None unless the variant knows of them.
    virtual std::span<const UncertainChoice> Choices() const { return {}; }

  private:
    // Maps a non-empty source into a destination of at least its length, possibly the same
    // units; returns 1, or 0 with errorNumber set.
    virtual int MapUnits(std::span<const char16_t> source, std::span<char16_t> destination,
                         int& errorNumber) const = 0;
};

// A dense table over every UTF-16 unit, built from a character dictionary: each entry whose
// key is one BMP character and whose first value is one BMP character maps key to that value;
// every other unit, the surrogate range included, maps to itself.
class CharacterTableMapping final : public ScriptMapping {
  public:
    // Loads the OpenCC dictionary (.ocd2) at path. Never throws for a bad dictionary: a missing
    // or unreadable one yields a mapping that refuses every text with its error number.
    explicit CharacterTableMapping(const std::string& dictionaryPath);

    // 0 when the dictionary was loaded, else the error number every Map call reports.
    int LoadError() const { return loadError_; }

    std::span<const UncertainChoice> Choices() const override { return choices_; }

  private:
    int MapUnits(std::span<const char16_t> source, std::span<char16_t> destination,
                 int& errorNumber) const override;

    std::vector<char16_t> table_;
    std::vector<UncertainChoice> choices_;
    int loadError_ = 0;
};

// The path of the character dictionary that the default mapping is built from.
const char* DefaultCharacterDictionaryPath();

// The process-wide Simplified-to-Traditional mapping, built on first use, thread-safely.
const CharacterTableMapping& SimplifiedToTraditional();

}  // namespace text
