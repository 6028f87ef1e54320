#include "text/phrase/UserPhrases.hpp"

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>

#include "text/unicode/Utf8Codec.hpp"

namespace text {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kMarkupDelimiters = "<>&\"'";

// Reads one line (without its line end) into entries; the problem when it is unusable.
std::optional<PhraseLineProblem> ParseLine(std::string_view line, Dictionary& entries) {
    if (!IsWellFormedUtf8(line)) {
        return PhraseLineProblem::InvalidUtf8;
    }
    const std::size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string_view::npos || line[first] == '#') {
        return std::nullopt;
    }
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
        return PhraseLineProblem::NoTab;
    }
    // A key of blanks alone is a slip of the keyboard, never a word.
    if (first >= tab) {
        return PhraseLineProblem::EmptyKey;
    }
    const std::string_view values = line.substr(tab + 1);
    const std::size_t start = values.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) {
        return PhraseLineProblem::EmptyValue;
    }
    const std::size_t end = values.find_first_of(kBlanks, start);
    const std::string_view key = line.substr(0, tab);
    const std::string_view value =
        values.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    // Tag, attribute, entity and property names are ASCII: a key of ASCII alone would reach them.
    if (std::all_of(key.begin(), key.end(), [](char c) { return (c & 0x80) == 0; })) {
        return PhraseLineProblem::AsciiKey;
    }
    if (key.find_first_of(kMarkupDelimiters) != std::string_view::npos ||
        value.find_first_of(kMarkupDelimiters) != std::string_view::npos) {
        return PhraseLineProblem::Markup;
    }
    entries.push_back({std::string(key), std::string(value)});
    return std::nullopt;
}

// The entries with each key once, at its last entry's value.
Dictionary LastOfEachKey(const Dictionary& entries) {
    std::unordered_map<std::string_view, std::size_t> last;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        last[entries[i].key] = i;
    }
    Dictionary unique;
    unique.reserve(last.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (last.at(entries[i].key) == i) {
            unique.push_back(entries[i]);
        }
    }
    return unique;
}

}  // namespace

std::optional<PhraseLineError> ParsePhraseText(std::string_view content, Dictionary& entries) {
    if (content.starts_with(kByteOrderMark)) {
        content.remove_prefix(kByteOrderMark.size());
    }
    for (std::size_t number = 1; !content.empty(); ++number) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (const std::optional<PhraseLineProblem> problem = ParseLine(line, entries)) {
            return PhraseLineError{number, *problem};
        }
    }
    return std::nullopt;
}

UserPhrases::UserPhrases(const Dictionary& entries)
    : UserPhrases(std::make_shared<const Dictionary>(LastOfEachKey(entries))) {}

UserPhrases::UserPhrases(const SharedDictionary& unique)
    : matcher_(DictionaryGroup{unique}), bmpStarts_(kBmpSize / 64, 0), size_(unique->size()) {
    for (const DictionaryEntry& entry : *unique) {
        char32_t first = 0;
        NextCodepoint(reinterpret_cast<const unsigned char*>(entry.key.data()), first);
        if (first < kBmpSize) {
            bmpStarts_[first >> 6] |= std::uint64_t{1} << (first & 63);
        } else {
            astralStarts_ = true;
        }
    }
}

UserPhrases::Match UserPhrases::Find(std::string_view utf8, std::size_t from) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    for (std::size_t at = from; at < utf8.size();) {
        char32_t codepoint = 0;
        const std::size_t length = NextCodepoint(bytes + at, codepoint);
        if (MayStart(codepoint)) {
            if (const DictionaryMatcher::Match match = matcher_.MatchAt(utf8.substr(at));
                match.length > 0) {
                return {at, match.length, matcher_.ValueAt(match.node)};
            }
        }
        at += length;
    }
    return {utf8.size(), 0, {}};
}

}  // namespace text
