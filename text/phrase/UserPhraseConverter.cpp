#include "text/phrase/UserPhraseConverter.hpp"

namespace text {

template <typename ConvertStretch>
void UserPhraseConverter::Split(std::string_view utf8, std::string& out,
                                const ConvertStretch& convert, UncertainPlaces* counting) const {
    std::size_t done = 0;
    for (UserPhrases::Match match = phrases_->Find(utf8, 0); match.length > 0;
         match = phrases_->Find(utf8, done)) {
        if (match.begin > done) {
            convert(utf8.substr(done, match.begin - done));
        }
        out += match.value;
        if (counting != nullptr) {
            counting->Changed(
                ChangedCharacters(utf8.substr(match.begin, match.length), match.value));
        }
        done = match.begin + match.length;
    }
    if (done < utf8.size()) {
        convert(utf8.substr(done));
    }
}

void UserPhraseConverter::ConvertWellFormed(std::string_view utf8, std::string& out) const {
    Split(
        utf8, out, [&](std::string_view stretch) { ConvertWellFormedBy(*profile_, stretch, out); },
        nullptr);
}

// A place a user's key settles is no longer uncertain: only the stretches between keys note.
void UserPhraseConverter::ConvertWellFormedNoting(std::string_view utf8, std::string& out,
                                                  UncertainPlaces& places) const {
    Split(
        utf8, out,
        [&](std::string_view stretch) { ConvertWellFormedBy(*profile_, stretch, out, places); },
        &places);
}

}  // namespace text
