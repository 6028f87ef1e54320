#include "text/convert/ScriptMapping.hpp"

#include <opencc/Exception.hpp>
#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>
#include <opencc/SerializableDict.hpp>

#include <optional>
#include <string_view>

#include "text/unicode/Utf8Codec.hpp"

#ifndef CORVELA_OPENCC_CHARACTER_DICTIONARY
#define CORVELA_OPENCC_CHARACTER_DICTIONARY "/usr/share/opencc/STCharacters.ocd2"
#endif

namespace text {
namespace {

constexpr std::size_t kUnitCount = 0x10000;

bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// The unit of text when it is exactly one BMP character other than a surrogate or zero.
std::optional<char16_t> SingleBmpCharacter(std::string_view text) {
    if (text.empty() || text.size() > 3) {
        return std::nullopt;
    }
    char16_t units[3] = {};
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const DecodeResult decoded = DecodeUtf8(units, 2, bytes, text.size());
    if (decoded.units != 1 || decoded.bytesRead != text.size() || units[0] == 0 ||
        IsSurrogate(units[0])) {
        return std::nullopt;
    }
    return units[0];
}

std::vector<char16_t> IdentityTable() {
    std::vector<char16_t> table(kUnitCount);
    for (std::size_t unit = 0; unit < kUnitCount; ++unit) {
        table[unit] = static_cast<char16_t>(unit);
    }
    return table;
}

// The entry's uncertain choice when it offers forms other than its first; the table writes
// the first.
void AddChoice(const opencc::DictEntry& entry, std::vector<UncertainChoice>& choices) {
    const std::vector<std::string> values = entry.Values();
    UncertainChoice choice{
        static_cast<std::uint32_t>(choices.size()), entry.Key(), values.front(), {}};
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i] != choice.chosen && IsWellFormedUtf8(values[i])) {
            choice.alternatives.push_back(values[i]);
        }
    }
    if (!choice.alternatives.empty()) {
        choices.push_back(std::move(choice));
    }
}

void AddDictionaryEntries(std::vector<char16_t>& table, std::vector<UncertainChoice>& choices,
                          const opencc::Lexicon& lexicon) {
    for (const auto& entry : lexicon) {
        if (entry->NumValues() == 0) {
            continue;
        }
        const std::optional<char16_t> key = SingleBmpCharacter(entry->Key());
        const std::optional<char16_t> value = SingleBmpCharacter(entry->Values().front());
        if (key && value) {
            table[*key] = *value;
            AddChoice(*entry, choices);
        }
    }
}

}  // namespace

int ScriptMapping::Map(std::span<const char16_t> source, std::span<char16_t> destination,
                       int& errorNumber) const {
    if (source.empty() || destination.size() < source.size()) {
        errorNumber = kErrorInvalidParameter;
        return 0;
    }
    return MapUnits(source, destination, errorNumber);
}

CharacterTableMapping::CharacterTableMapping(const std::string& dictionaryPath) {
    try {
        const opencc::MarisaDictPtr dictionary =
            opencc::SerializableDict::NewFromFile<opencc::MarisaDict>(dictionaryPath);
        std::vector<char16_t> table = IdentityTable();
        std::vector<UncertainChoice> choices;
        AddDictionaryEntries(table, choices, *dictionary->GetLexicon());
        table_ = std::move(table);
        choices_ = std::move(choices);
    } catch (const opencc::FileNotFound&) {
        loadError_ = kErrorFileNotFound;
    } catch (...) {
        // OpenCC and the trie library below it throw their own types for a damaged file.
        loadError_ = kErrorInvalidData;
    }
}

int CharacterTableMapping::MapUnits(std::span<const char16_t> source,
                                    std::span<char16_t> destination, int& errorNumber) const {
    if (loadError_ != 0) {
        errorNumber = loadError_;
        return 0;
    }
    const char16_t* table = table_.data();
    for (std::size_t i = 0; i < source.size(); ++i) {
        destination[i] = table[source[i]];
    }
    return 1;
}

const char* DefaultCharacterDictionaryPath() {
    return CORVELA_OPENCC_CHARACTER_DICTIONARY;
}

const CharacterTableMapping& SimplifiedToTraditional() {
    static const CharacterTableMapping mapping(DefaultCharacterDictionaryPath());
    return mapping;
}

}  // namespace text
