#pragma once

#include <memory>
#include <string>
#include <vector>

// An OpenCC configuration read through libopencc into plain data: what a phrase converter needs
// to reproduce its output.
namespace text {

struct DictionaryEntry {
    std::string key;    // well-formed UTF-8, never empty
    std::string value;  // what OpenCC writes for the key (its first value, or the key itself)
    std::vector<std::string> otherValues = {};  // the forms offered after the first (a report)
};

using Dictionary = std::vector<DictionaryEntry>;

// A dictionary file that the configuration names in several places is read once and shared.
using SharedDictionary = std::shared_ptr<const Dictionary>;

// Dictionaries consulted in order: at a position, the first one with any key there wins, with
// its longest key there.
using DictionaryGroup = std::vector<SharedDictionary>;

struct OpenccConfiguration {
    DictionaryGroup segmentation;        // the longest-match segmentation's dictionaries
    std::vector<DictionaryGroup> chain;  // the conversion steps, in order
};

// Reads the configuration file (a .json) and every dictionary it names. Throws
// std::runtime_error with a readable reason when one is missing, damaged or of a kind that is
// not supported.
OpenccConfiguration ReadOpenccConfiguration(const std::string& configPath);

}  // namespace text
