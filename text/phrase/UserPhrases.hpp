#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "text/phrase/DictionaryMatcher.hpp"
#include "text/phrase/OpenccConfiguration.hpp"

// The reader's own phrases: a list of keys, each written as its given value wherever it stands
// in the text, ahead of any profile.
namespace text {

// What makes a line of a phrase file unusable.
enum class PhraseLineProblem {
    NoTab,        // no tab between the key and its value
    EmptyKey,     // nothing before the tab
    EmptyValue,   // nothing after the tab but blanks
    InvalidUtf8,  // bytes that are not UTF-8, or a zero byte
    AsciiKey,     // a key of ASCII alone, which would change tag and property names
    Markup,       // a key or value holding < > & " or ', which would break the markup
};

struct PhraseLineError {
    std::size_t line = 0;  // from 1
    PhraseLineProblem problem = PhraseLineProblem::NoTab;
};

// Appends the entries of a phrase file's text to entries, in the order written. A line is
// "KEY<TAB>VALUE", where VALUE may list several values separated by blanks and the first is
// taken; lines of blanks alone and lines whose first non-blank character is "#" are skipped.
// Lines end in LF or CR LF; a byte order mark may open the text. The key is taken byte for byte,
// blanks included. Since the keys apply to the whole text of a book's files, markup and
// stylesheets included, a key needs a character beyond ASCII and neither key nor value may hold
// a markup delimiter. Returns the first unusable line, leaving entries as they were then.
std::optional<PhraseLineError> ParsePhraseText(std::string_view content, Dictionary& entries);

// The keys of a phrase list in one trie. Where keys start at one place, the longest wins; where
// the list holds one key twice, its later entry wins. Immutable once built.
class UserPhrases {
  public:
    struct Match {
        std::size_t begin = 0;   // byte offset of the key in the text
        std::size_t length = 0;  // its bytes; 0 when no key is found
        std::string_view value;  // what it is written as
    };

    explicit UserPhrases(const Dictionary& entries);

    // The first key in utf8 (well-formed) at or after byte from: the earliest place where any
    // key starts, with the longest key there.
    Match Find(std::string_view utf8, std::size_t from) const;

    // The number of different keys.
    std::size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }

  private:
    // From entries with each key once.
    explicit UserPhrases(const SharedDictionary& unique);

    // True when some key may start with codepoint.
    bool MayStart(char32_t codepoint) const {
        return codepoint < kBmpSize ? (bmpStarts_[codepoint >> 6] >> (codepoint & 63)) & 1u
                                    : astralStarts_;
    }

    static constexpr char32_t kBmpSize = 0x10000;

    DictionaryMatcher matcher_;
    std::vector<std::uint64_t> bmpStarts_;  // one bit per BMP character that starts a key
    bool astralStarts_ = false;             // some key starts beyond the BMP
    std::size_t size_ = 0;
};

}  // namespace text
