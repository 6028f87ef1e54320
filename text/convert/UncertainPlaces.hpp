#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// Up to `characters` characters of text on each side of text[offset, offset + length), not
// across markup or a line end: the context a reader needs to find a place.
struct TextContext {
    std::string before;
    std::string after;
};
TextContext ContextAround(std::string_view text, std::size_t offset, std::size_t length,
                          std::size_t characters);

// The characters a conversion changed when it wrote to for from (both well-formed UTF-8): of
// the same number of characters, those that differ in place; else all of the longer side.
std::size_t ChangedCharacters(std::string_view from, std::string_view to);

// A dictionary entry that offers more than one form: a conversion that takes it writes the
// first and leaves the choice uncertain. Converters build these once, when they load.
struct UncertainChoice {
    std::uint32_t id = 0;                   // the converter's own number, from 0, dense
    std::string source;                     // the entry's key
    std::string chosen;                     // what the conversion writes for it
    std::vector<std::string> alternatives;  // the other forms, as the conversion would write them
};

// Collects the places of one text where a conversion took an uncertain choice, counted by
// choice, the first few with their context; and counts the characters the conversion changed.
// Given to TextConverter::Convert; one per thread.
class UncertainPlaces {
  public:
    static constexpr std::size_t kPlacesKept = 3;
    static constexpr std::size_t kContextCharacters = 12;

    struct Place {
        std::size_t offset = 0;  // in the text, in bytes
        std::string before;      // up to kContextCharacters characters, not across markup
        std::string after;
    };
    struct Group {
        const UncertainChoice* choice = nullptr;
        std::size_t count = 0;
        std::vector<Place> places;  // the first kPlacesKept
    };

    // The text whose stretches are converted: places are told by offset and context in it.
    void Within(std::string_view text) { text_ = text; }

    // Whether the next note of choice keeps its place: only then does Note read `at`.
    bool KeepsNextPlace(const UncertainChoice& choice) const {
        return choice.id >= groups_.size() || groups_[choice.id].count < kPlacesKept;
    }

    // A conversion took choice for the source at `at`, a pointer into the stretch it converts.
    void Note(const char* at, const UncertainChoice& choice) {
        if (choice.id >= groups_.size()) {
            groups_.resize(choice.id + 1);
        }
        Group& group = groups_[choice.id];
        group.choice = &choice;
        if (++group.count <= kPlacesKept) {
            group.places.push_back(PlaceAt(at, choice.source.size()));
        }
        ++total_;
    }

    // The conversion changed characters more characters.
    void Changed(std::size_t characters) { changed_ += characters; }

    // Every choice taken, by the converter's numbers (a group of count 0 was never taken).
    const std::vector<Group>& Groups() const { return groups_; }
    std::size_t Total() const { return total_; }
    std::size_t ChangedCharacters() const { return changed_; }

  private:
    Place PlaceAt(const char* at, std::size_t length) const;

    std::string_view text_;
    std::vector<Group> groups_;
    std::size_t total_ = 0;
    std::size_t changed_ = 0;
};

}  // namespace text
