#include "text/phrase/UserPhraseConverter.hpp"

namespace text {

void UserPhraseConverter::ConvertWellFormed(std::string_view utf8, std::string& out) const {
    std::size_t done = 0;
    for (UserPhrases::Match match = phrases_->Find(utf8, 0); match.length > 0;
         match = phrases_->Find(utf8, done)) {
        if (match.begin > done) {
            ConvertWellFormedBy(*profile_, utf8.substr(done, match.begin - done), out);
        }
        out += match.value;
        done = match.begin + match.length;
    }
    if (done < utf8.size()) {
        ConvertWellFormedBy(*profile_, utf8.substr(done), out);
    }
}

}  // namespace text
