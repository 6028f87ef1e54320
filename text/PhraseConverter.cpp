#include "text/PhraseConverter.hpp"

#include <algorithm>
#include <cstring>

namespace text {
namespace {

constexpr char32_t kBmpSize = 0x10000;
constexpr char32_t kCodepointCount = 0x110000;

// Appends to a string through a raw cursor, growing it by doubling; trims it when done.
class OutputCursor {
  public:
    OutputCursor(std::string& out, std::size_t expected) : out_(out), size_(out.size()) {
        out_.resize(size_ + expected + kSlack);
    }
    OutputCursor(const OutputCursor&) = delete;
    OutputCursor& operator=(const OutputCursor&) = delete;
    ~OutputCursor() { out_.resize(size_); }

    void Append(const char* bytes, std::size_t length) {
        if (size_ + length + kSlack > out_.size()) {
            out_.resize(std::max(2 * out_.size(), size_ + length + kSlack));
        }
        std::memcpy(out_.data() + size_, bytes, length);
        size_ += length;
    }
    void Append(std::string_view bytes) { Append(bytes.data(), bytes.size()); }

  private:
    static constexpr std::size_t kSlack = 16;
    std::string& out_;
    std::size_t size_;
};

std::vector<char32_t> CodepointsOf(std::string_view text) {
    std::vector<char32_t> codepoints;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size();) {
        char32_t codepoint = 0;
        at += NextCodepoint(bytes + at, codepoint);
        codepoints.push_back(codepoint);
    }
    return codepoints;
}

std::string Utf8Of(char32_t codepoint) {
    std::string bytes;
    if (codepoint < 0x80) {
        bytes += static_cast<char>(codepoint);
    } else if (codepoint < 0x800) {
        bytes += static_cast<char>(0xC0 | (codepoint >> 6));
        bytes += static_cast<char>(0x80 | (codepoint & 0x3F));
    } else if (codepoint < 0x10000) {
        bytes += static_cast<char>(0xE0 | (codepoint >> 12));
        bytes += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (codepoint & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (codepoint >> 18));
        bytes += static_cast<char>(0x80 | ((codepoint >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (codepoint & 0x3F));
    }
    return bytes;
}

bool AllKeysIn(const Dictionary& dictionary, const DictionaryMatcher& matcher) {
    return std::all_of(dictionary.begin(), dictionary.end(), [&](const DictionaryEntry& entry) {
        const std::uint32_t node = matcher.Trie().Find(entry.key);
        return node != CodepointTrie::kNoNode && matcher.IsKey(node);
    });
}

// Per step, the characters that start a key of more than one character: where a step may
// join characters. In a run no key of the segmentation dictionary starts anywhere, so the
// first step's dictionaries whose keys all belong to it can never match there.
std::vector<std::vector<bool>> LeadsByStep(const OpenccConfiguration& configuration,
                                           const DictionaryMatcher& segmentation) {
    std::vector<std::vector<bool>> leads;
    for (std::size_t step = 0; step < configuration.chain.size(); ++step) {
        std::vector<bool>& stepLeads = leads.emplace_back(kCodepointCount, false);
        for (const Dictionary& dictionary : configuration.chain[step]) {
            if (step == 0 && AllKeysIn(dictionary, segmentation)) {
                continue;
            }
            for (const DictionaryEntry& entry : dictionary) {
                const std::vector<char32_t> key = CodepointsOf(entry.key);
                if (key.size() > 1) {
                    stepLeads[key.front()] = true;
                }
            }
        }
    }
    return leads;
}

}  // namespace

PhraseConverter::PhraseConverter(const std::string& configPath)
    : PhraseConverter(ReadOpenccConfiguration(configPath)) {}

PhraseConverter::PhraseConverter(const OpenccConfiguration& configuration)
    : segmentation_(configuration.segmentation), bmpPlans_(kBmpSize) {
    chain_.reserve(configuration.chain.size());
    for (const DictionaryGroup& step : configuration.chain) {
        chain_.emplace_back(step);
    }
    PlanPhrases(configuration.segmentation);
    PlanCharacters(configuration);
}

void PhraseConverter::PlanPhrases(const DictionaryGroup& segmentation) {
    phraseOutputs_.resize(segmentation_.Trie().NodeCount());
    std::vector<bool> planned(phraseOutputs_.size(), false);
    for (const Dictionary& dictionary : segmentation) {
        for (const DictionaryEntry& entry : dictionary) {
            const std::uint32_t node = segmentation_.Trie().Find(entry.key);
            if (planned[node]) {
                continue;
            }
            planned[node] = true;
            const std::size_t offset = phraseText_.size();
            ConvertThroughChain(entry.key, phraseText_);
            phraseOutputs_[node] = {static_cast<std::uint32_t>(offset),
                                    static_cast<std::uint32_t>(phraseText_.size() - offset)};
        }
    }
    phraseText_.shrink_to_fit();
}

void PhraseConverter::PlanCharacters(const OpenccConfiguration& configuration) {
    const std::vector<std::vector<bool>> leads = LeadsByStep(configuration, segmentation_);
    // A character that starts no key in any step is kept by every step: it stays identity.
    std::vector<bool> seen(kCodepointCount, false);
    std::vector<std::pair<char32_t, CharacterPlan>> astral;
    auto plan = [&](char32_t codepoint) -> CharacterPlan& {
        if (codepoint < kBmpSize) {
            return bmpPlans_[codepoint];
        }
        const auto found = std::find_if(astral.begin(), astral.end(),
                                        [&](const auto& item) { return item.first == codepoint; });
        return found != astral.end() ? found->second
                                     : astral.emplace_back(codepoint, CharacterPlan{}).second;
    };
    for (const DictionaryGroup& step : configuration.chain) {
        for (const Dictionary& dictionary : step) {
            for (const DictionaryEntry& entry : dictionary) {
                char32_t first = 0;
                NextCodepoint(reinterpret_cast<const unsigned char*>(entry.key.data()), first);
                if (!seen[first]) {
                    seen[first] = true;
                    plan(first).output = PlanCharacter(first, leads);
                }
            }
        }
    }
    for (const Dictionary& dictionary : configuration.segmentation) {
        for (const DictionaryEntry& entry : dictionary) {
            char32_t first = 0;
            NextCodepoint(reinterpret_cast<const unsigned char*>(entry.key.data()), first);
            plan(first).segmentationNode = segmentation_.Trie().Child(CodepointTrie::kRoot, first);
        }
    }
    std::sort(astral.begin(), astral.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    astralPlans_ = std::move(astral);
    for (char32_t byte = 0; byte < 128; ++byte) {
        const CharacterPlan& ascii = bmpPlans_[byte];
        plainAscii_[byte] = byte != 0 && ascii.output == kIdentity &&
                            ascii.segmentationNode == CodepointTrie::kNoNode;
    }
    characterOutputs_.shrink_to_fit();
}

PhraseConverter::CharacterOutput PhraseConverter::PlanCharacter(
    char32_t codepoint, const std::vector<std::vector<bool>>& leadsByStep) {
    const std::string character = Utf8Of(codepoint);
    std::string text = character;
    for (std::size_t step = 0; step < chain_.size(); ++step) {
        for (const char32_t inner : CodepointsOf(text)) {
            if (leadsByStep[step][inner]) {
                return kThroughChain;
            }
        }
        std::string next;
        chain_[step].ConvertSegment(text, next);
        text = std::move(next);
    }
    if (text == character) {
        return kIdentity;
    }
    if (text.size() > 0xFF) {
        return kThroughChain;
    }
    const auto offset = static_cast<std::uint32_t>(characterOutputs_.size());
    characterOutputs_ += text;
    return (offset << 8) | static_cast<std::uint32_t>(text.size());
}

const PhraseConverter::CharacterPlan& PhraseConverter::PlanOf(char32_t codepoint) const {
    if (codepoint < kBmpSize) {
        return bmpPlans_[codepoint];
    }
    static constexpr CharacterPlan kPlain{};
    const auto found =
        std::lower_bound(astralPlans_.begin(), astralPlans_.end(), codepoint,
                         [](const auto& item, char32_t wanted) { return item.first < wanted; });
    return found != astralPlans_.end() && found->first == codepoint ? found->second : kPlain;
}

void PhraseConverter::ConvertThroughChain(std::string_view segment, std::string& out) const {
    std::string text(segment);
    std::string next;
    for (const DictionaryMatcher& step : chain_) {
        next.clear();
        step.ConvertSegment(text, next);
        text.swap(next);
    }
    out += text;
}

void PhraseConverter::ConvertWellFormed(std::string_view utf8, std::string& out) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size();
    OutputCursor cursor(out, size);
    // A run whose characters may be joined by a step waits here for the end of the run.
    std::size_t runStart = size;
    std::string runOutput;
    auto flushRun = [&](std::size_t end) {
        if (runStart < end) {
            runOutput.clear();
            ConvertThroughChain(utf8.substr(runStart, end - runStart), runOutput);
            cursor.Append(runOutput);
        }
        runStart = size;
    };
    for (std::size_t at = 0; at < size;) {
        if (bytes[at] < 0x80 && plainAscii_[bytes[at]] && runStart == size) {
            std::size_t end = at + 1;
            while (end < size && bytes[end] < 0x80 && plainAscii_[bytes[end]]) {
                ++end;
            }
            cursor.Append(utf8.data() + at, end - at);
            at = end;
            continue;
        }
        char32_t codepoint = 0;
        const std::size_t length = NextCodepoint(bytes + at, codepoint);
        const CharacterPlan& plan = PlanOf(codepoint);
        if (plan.segmentationNode != CodepointTrie::kNoNode) {
            const DictionaryMatcher::Match match =
                segmentation_.MatchFrom(plan.segmentationNode, length, utf8.substr(at));
            if (match.length > 0) {
                flushRun(at);
                const Span phrase = phraseOutputs_[match.node];
                cursor.Append(phraseText_.data() + phrase.offset, phrase.length);
                at += match.length;
                continue;
            }
        }
        if (runStart == size && plan.output == kThroughChain) {
            runStart = at;
        }
        if (runStart == size) {
            if (plan.output == kIdentity) {
                cursor.Append(utf8.data() + at, length);
            } else {
                cursor.Append(characterOutputs_.data() + (plan.output >> 8), plan.output & 0xFF);
            }
        }
        at += length;
    }
    flushRun(size);
}

std::size_t PhraseConverter::MemoryBytes() const {
    std::size_t bytes = segmentation_.MemoryBytes() + phraseOutputs_.capacity() * sizeof(Span) +
                        phraseText_.capacity() + bmpPlans_.capacity() * sizeof(CharacterPlan) +
                        astralPlans_.capacity() * sizeof(astralPlans_[0]) +
                        characterOutputs_.capacity();
    for (const DictionaryMatcher& step : chain_) {
        bytes += step.MemoryBytes();
    }
    return bytes;
}

}  // namespace text
