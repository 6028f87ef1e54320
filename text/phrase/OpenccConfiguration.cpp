#include "text/phrase/OpenccConfiguration.hpp"

#include <opencc/Config.hpp>
#include <opencc/Conversion.hpp>
#include <opencc/ConversionChain.hpp>
#include <opencc/Converter.hpp>
#include <opencc/DictGroup.hpp>
#include <opencc/Exception.hpp>
#include <opencc/Lexicon.hpp>
#include <opencc/MaxMatchSegmentation.hpp>

#include <map>
#include <stdexcept>

#include "text/unicode/Utf8Codec.hpp"

namespace text {
namespace {

Dictionary EntriesOf(const opencc::Dict& dict) {
    Dictionary entries;
    const opencc::LexiconPtr lexicon = dict.GetLexicon();
    entries.reserve(lexicon->Length());
    for (const auto& entry : *lexicon) {
        std::string key = entry->Key();
        std::string value = entry->GetDefault();
        if (key.empty() || !IsWellFormedUtf8(key) || !IsWellFormedUtf8(value)) {
            throw std::runtime_error("词典含有无效的 UTF-8 词条");
        }
        std::vector<std::string> others;
        if (entry->NumValues() > 1) {
            others = entry->Values();
            others.erase(others.begin());
        }
        entries.push_back({std::move(key), std::move(value), std::move(others)});
    }
    return entries;
}

// Copies libopencc's dictionaries into plain data, each dictionary object once.
class DictionaryReader {
  public:
    DictionaryGroup GroupOf(const opencc::DictPtr& dict) {
        DictionaryGroup group;
        AddLeaves(dict, group);
        return group;
    }

  private:
    // A group inside a group is consulted in the same first-match order, so it flattens.
    void AddLeaves(const opencc::DictPtr& dict, DictionaryGroup& group) {
        if (const auto inner = std::dynamic_pointer_cast<opencc::DictGroup>(dict)) {
            for (const opencc::DictPtr& member : inner->GetDicts()) {
                AddLeaves(member, group);
            }
            return;
        }
        SharedDictionary& read = read_[dict.get()];
        if (!read) {
            read = std::make_shared<const Dictionary>(EntriesOf(*dict));
        }
        group.push_back(read);
    }

    std::map<const opencc::Dict*, SharedDictionary> read_;
};

OpenccConfiguration Describe(const opencc::Converter& converter) {
    const auto segmentation =
        std::dynamic_pointer_cast<opencc::MaxMatchSegmentation>(converter.GetSegmentation());
    if (!segmentation) {
        throw std::runtime_error("不支持的分词方式");
    }
    DictionaryReader reader;
    OpenccConfiguration configuration;
    configuration.segmentation = reader.GroupOf(segmentation->GetDict());
    for (const opencc::ConversionPtr& step : converter.GetConversionChain()->GetConversions()) {
        configuration.chain.push_back(reader.GroupOf(step->GetDict()));
    }
    return configuration;
}

}  // namespace

OpenccConfiguration ReadOpenccConfiguration(const std::string& configPath) {
    const std::string context = "无法载入 OpenCC 配置 " + configPath + "：";
    try {
        opencc::Config config;
        return Describe(*config.NewFromFile(configPath));
    } catch (const opencc::Exception& error) {
        throw std::runtime_error(context + error.what());
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        // The trie library below OpenCC throws its own types for a damaged dictionary.
        throw std::runtime_error(context + error.what());
    }
}

}  // namespace text
