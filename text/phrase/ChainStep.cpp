#include "text/phrase/ChainStep.hpp"

#include <algorithm>

namespace text {
namespace {

constexpr char32_t kBmpSize = 0x10000;

}  // namespace

ChainStep::ChainStep(const DictionaryGroup& group) : matcher_(group), bmpCodes_(kBmpSize, kKeep) {
    for (const SharedDictionary& dictionary : group) {
        for (const DictionaryEntry& entry : *dictionary) {
            char32_t first = 0;
            NextCodepoint(reinterpret_cast<const unsigned char*>(entry.key.data()), first);
            const std::size_t length = CharacterCount(entry.key);
            longestKey_ = std::max(longestKey_, length);
            Code& code = MutableCodeOf(first);
            if (length > 1) {
                const std::size_t joined = IsJoin(code) ? code & kJoinLengthMask : 0;
                code = kJoin | static_cast<Code>(std::min<std::size_t>(std::max(joined, length),
                                                                       kJoinLengthMask));
                continue;
            }
            if (code != kKeep) {
                continue;  // a key of more characters, or an earlier dictionary, decides
            }
            const std::string_view value = matcher_.ValueAt(matcher_.MatchAt(entry.key).node);
            if (value.size() > 0xFF || singleValues_.size() >= (kJoin >> 8)) {
                code = kJoin | 1;  // no room in a code: the matcher answers
                continue;
            }
            code = static_cast<Code>(singleValues_.size() << 8 | value.size());
            singleValues_ += value;
        }
    }
    std::sort(astralCodes_.begin(), astralCodes_.end());
    singleValues_.shrink_to_fit();
}

ChainStep::Code& ChainStep::MutableCodeOf(char32_t codepoint) {
    if (codepoint < kBmpSize) {
        return bmpCodes_[codepoint];
    }
    // Only while building, and only a few hundred characters lie outside the BMP.
    const auto found = std::find_if(astralCodes_.begin(), astralCodes_.end(),
                                    [&](const auto& item) { return item.first == codepoint; });
    return found != astralCodes_.end() ? found->second
                                       : astralCodes_.emplace_back(codepoint, kKeep).second;
}

ChainStep::Code ChainStep::AstralCodeOf(char32_t codepoint) const {
    const auto found =
        std::lower_bound(astralCodes_.begin(), astralCodes_.end(), codepoint,
                         [](const auto& item, char32_t wanted) { return item.first < wanted; });
    return found != astralCodes_.end() && found->first == codepoint ? found->second : kKeep;
}

void ChainStep::Convert(std::string_view segment, std::string& out) const {
    OutputCursor cursor(out, segment.size());
    Convert(segment, cursor);
}

void ChainStep::Convert(std::string_view segment, OutputCursor& cursor) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(segment.data());
    for (std::size_t at = 0; at < segment.size();) {
        char32_t codepoint = 0;
        const std::size_t length = NextCodepoint(bytes + at, codepoint);
        const Code code = CodeOf(codepoint);
        if (code == kKeep) {
            cursor.Append(segment.data() + at, length);
        } else if (!IsJoin(code)) {
            cursor.Append(singleValues_.data() + (code >> 8), code & 0xFF);
        } else {
            const DictionaryMatcher::Match match = matcher_.MatchAt(segment.substr(at));
            if (match.length > 0) {
                cursor.Append(matcher_.ValueAt(match.node));
                at += match.length;
                continue;
            }
            cursor.Append(segment.data() + at, length);
        }
        at += length;
    }
}

bool ChainStep::MayGoOn(std::string_view text, const std::vector<char32_t>* heads) const {
    // Only a key's last longestKey_ - 1 characters may start inside text and go on past it.
    std::size_t from = text.size();
    for (std::size_t characters = 1; characters < longestKey_ && from > 0; ++characters) {
        do {
            --from;
        } while (from > 0 && (static_cast<unsigned char>(text[from]) & 0xC0) == 0x80);
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t left = CharacterCount(text.substr(from));
    for (std::size_t at = from; at < text.size(); --left) {
        char32_t codepoint = 0;
        const std::size_t length = NextCodepoint(bytes + at, codepoint);
        if (JoinLength(codepoint) <= left) {
            at += length;
            continue;  // its keys end inside text
        }
        const std::uint32_t node = matcher_.Trie().Find(text.substr(at));
        at += length;
        if (node == CodepointTrie::kNoNode) {
            continue;
        }
        if (heads == nullptr) {
            return true;
        }
        for (const char32_t head : *heads) {
            if (matcher_.Trie().Child(node, head) != CodepointTrie::kNoNode) {
                return true;
            }
        }
    }
    return false;
}

std::size_t ChainStep::MemoryBytes() const {
    return matcher_.MemoryBytes() + bmpCodes_.capacity() * sizeof(Code) +
           astralCodes_.capacity() * sizeof(astralCodes_[0]) + singleValues_.capacity();
}

}  // namespace text
