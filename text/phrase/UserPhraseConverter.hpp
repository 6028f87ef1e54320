#pragma once

#include <memory>
#include <utility>

#include "text/convert/TextConverter.hpp"
#include "text/phrase/UserPhrases.hpp"

namespace text {

// A profile's converter with the reader's phrases ahead of it: the text is split at the keys of
// the phrases (UserPhrases::Find, from left to right), each key is written as its value without
// any further conversion, and the text between keys goes to the profile's converter, stretch by
// stretch. So a key wins even where the profile would have taken a longer phrase across it.
class UserPhraseConverter final : public TextConverter {
  public:
    UserPhraseConverter(std::shared_ptr<const TextConverter> profile,
                        std::shared_ptr<const UserPhrases> phrases)
        : profile_(std::move(profile)), phrases_(std::move(phrases)) {}

    const UserPhrases& Phrases() const { return *phrases_; }

  private:
    void ConvertWellFormed(std::string_view utf8, std::string& out) const override;
    void ConvertWellFormedNoting(std::string_view utf8, std::string& out,
                                 UncertainPlaces& places) const override;
    template <typename ConvertStretch>
    // Counts in counting, when given, the characters the user's phrases change.
    void Split(std::string_view utf8, std::string& out, const ConvertStretch& convert,
               UncertainPlaces* counting) const;

    std::shared_ptr<const TextConverter> profile_;
    std::shared_ptr<const UserPhrases> phrases_;
};

}  // namespace text
