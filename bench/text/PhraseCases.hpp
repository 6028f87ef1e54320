#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "text/phrase/OpenccConfiguration.hpp"

namespace testing_support {

// Generates texts where OpenCC's longest match and first-match rules decide the output: keys of
// every dictionary of a configuration, their values, keys cut short, keys that overlap (one
// starts inside another), single characters, and Latin text, punctuation and characters outside
// the Basic Multilingual Plane between them. The same seed gives the same texts.
class PhraseCaseGenerator {
  public:
    PhraseCaseGenerator(const text::OpenccConfiguration& configuration, std::uint64_t seed);

    std::string Next();

  private:
    const std::string& AnyKey();
    std::string Overlapping();
    std::string CutShort();
    std::string OneCharacter();
    std::string Filler();

    std::vector<std::string> keys_;
    std::vector<std::string> values_;
    std::unordered_map<char32_t, std::vector<std::uint32_t>> keysByFirst_;  // into keys_
    std::mt19937_64 random_;
};

}  // namespace testing_support
