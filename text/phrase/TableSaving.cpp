// The built tables of the phrase engine's parts written to a flat stream and read back, for the
// table cache. Every value read that later serves as an index or a length is checked here, so
// that tables read from damaged bytes are refused instead of read out of bounds.
#include <algorithm>
#include <bit>

#include "text/phrase/ChainStep.hpp"
#include "text/phrase/CodepointTrie.hpp"
#include "text/phrase/DictionaryMatcher.hpp"
#include "text/phrase/JoinPairs.hpp"
#include "text/phrase/RunChain.hpp"
#include "text/phrase/TableStream.hpp"

namespace text {
namespace {

constexpr std::size_t kBmpSize = 0x10000;

// True when offset and length lie within size bytes, with padding more readable after them.
bool Within(std::uint64_t offset, std::uint64_t length, std::size_t size, std::size_t padding = 0) {
    return offset + length + padding <= size;
}

}  // namespace

CodepointTrie::CodepointTrie(TableReader& in)
    : edges_(in.Items<Edge>()),
      filter_(in.Items<std::uint64_t>()),
      nodeCount_(in.Value<std::uint32_t>()) {
    const std::size_t capacity = edges_.size();
    // The table's own sizing: a power of two of at least 16 slots, four filter bits a slot.
    TableReader::Check(capacity >= 16 && std::has_single_bit(capacity) &&
                       filter_.size() == capacity / 16 && nodeCount_ >= 1 && nodeCount_ != kNoNode);
    mask_ = capacity - 1;
    const auto bits = static_cast<unsigned>(std::countr_zero(capacity));
    shift_ = 64 - bits;
    filterShift_ = 64 - (bits + 2);
    for (const Edge& edge : edges_) {
        if (edge.node != kNoNode) {
            TableReader::Check(edge.node < nodeCount_ && edge.child < nodeCount_);
            ++edgeCount_;
        }
    }
    // A free slot ends every probe.
    TableReader::Check(4 * edgeCount_ <= 3 * capacity);
}

void CodepointTrie::Save(TableWriter& out) const {
    out.Items(edges_);
    out.Items(filter_);
    out.Value(nodeCount_);
}

DictionaryMatcher::DictionaryMatcher(TableReader& in)
    : trie_(in), ranks_(in.Items<std::uint8_t>()), valueOf_(in.Items<Value>()), values_(in.Text()) {
    TableReader::Check(ranks_.size() == trie_.NodeCount() && valueOf_.size() == ranks_.size());
    for (const Value& value : valueOf_) {
        TableReader::Check(Within(value.offset, value.length, values_.size()));
    }
}

void DictionaryMatcher::Save(TableWriter& out) const {
    trie_.Save(out);
    out.Items(ranks_);
    out.Items(valueOf_);
    out.Text(values_);
}

ChainStep::ChainStep(TableReader& in)
    : matcher_(in),
      bmpCodes_(in.Items<Code>()),
      astralCodes_(in.Pairs<char32_t, Code>()),
      singleValues_(in.Text()),
      longestKey_(in.Value<std::uint64_t>()) {
    TableReader::Check(bmpCodes_.size() == kBmpSize && TableReader::SortedByFirst(astralCodes_));
    const auto valid = [&](Code code) {
        return code == kKeep || IsJoin(code) ||
               Within(code >> 8, code & 0xFF, singleValues_.size());
    };
    TableReader::Check(std::all_of(bmpCodes_.begin(), bmpCodes_.end(), valid) &&
                       std::all_of(astralCodes_.begin(), astralCodes_.end(),
                                   [&](const auto& item) { return valid(item.second); }));
}

void ChainStep::Save(TableWriter& out) const {
    matcher_.Save(out);
    out.Items(bmpCodes_);
    out.Pairs(astralCodes_);
    out.Text(singleValues_);
    out.Value(static_cast<std::uint64_t>(longestKey_));
}

ChainHeads::ChainHeads(TableReader& in, std::size_t steps) {
    // A character's entry takes at least 12 bytes, one step's heads at least 13.
    const std::size_t count = in.Size(12);
    heads_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto character = in.Value<char32_t>();
        std::vector<Heads> perStep(in.Size(13));
        for (Heads& heads : perStep) {
            heads.characters = in.Items<char32_t>();
            heads.unknown = in.Flag();
        }
        TableReader::Check(perStep.size() == steps &&
                           heads_.emplace(character, std::move(perStep)).second);
    }
}

void ChainHeads::Save(TableWriter& out) const {
    out.Size(heads_.size());
    for (const auto& [character, perStep] : heads_) {
        out.Value(character);
        out.Size(perStep.size());
        for (const Heads& heads : perStep) {
            out.Items(heads.characters);
            out.Value(static_cast<std::uint8_t>(heads.unknown));
        }
    }
}

RunChain::RunChain(TableReader& in) {
    const std::size_t steps = in.Size(1);
    steps_.reserve(steps);
    for (std::size_t step = 0; step < steps; ++step) {
        steps_.emplace_back(in);
    }
    joiningSteps_ = in.Value<std::uint64_t>();
    outputs_ = in.Pairs<char32_t, Output>();
    texts_ = in.Text();
    joins_ = in.Items<Join>();
    joinPairs_ = CodepointTrie(in);
    heads_.emplace(in, steps_.size());
    TableReader::Check(joiningSteps_ <= steps_.size() && texts_.size() >= OutputCursor::kPadding);
    for (const auto& [character, output] : outputs_) {
        TableReader::Check(IsOutput(output));
    }
    for (const Join& join : joins_) {
        TableReader::Check(
            (join.alone == kJoin || (!IsJoin(join.alone) && IsOutput(join.alone))) &&
            (join.pairNode == CodepointTrie::kNoNode || join.pairNode < joinPairs_.NodeCount()));
    }
}

void RunChain::Save(TableWriter& out) const {
    out.Size(steps_.size());
    for (const ChainStep& step : steps_) {
        step.Save(out);
    }
    out.Value(static_cast<std::uint64_t>(joiningSteps_));
    out.Pairs(outputs_);
    out.Text(texts_);
    out.Items(joins_);
    joinPairs_.Save(out);
    heads_->Save(out);
}

bool RunChain::IsOutput(Output output) const {
    if (output == kIdentity) {
        return true;
    }
    if (IsJoin(output)) {
        return (output & 0xFFFFFFu) < joins_.size();
    }
    return Within(output >> 8, output & 0xFF, texts_.size(), OutputCursor::kPadding);
}

}  // namespace text
