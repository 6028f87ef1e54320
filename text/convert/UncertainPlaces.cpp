#include "text/convert/UncertainPlaces.hpp"

#include <algorithm>
#include <functional>

#include "text/unicode/Utf8Codec.hpp"

namespace text {
namespace {

bool IsContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::size_t CharacterLength(char lead) {
    static constexpr unsigned char kLengths[16] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 3, 4};
    return kLengths[static_cast<unsigned char>(lead) >> 4];
}

// Context stops at markup and line ends: a tag or the next paragraph tells the reader nothing.
bool EndsContext(char byte) {
    return byte == '<' || byte == '>' || byte == '\n' || byte == '\r';
}

// The characters of from that differ from those of to in place, or npos where their lengths
// part: most conversions keep each character's length.
std::size_t ChangedInPlace(std::string_view from, std::string_view to) {
    std::size_t changed = 0;
    for (std::size_t at = 0; at < from.size();) {
        const std::size_t length = CharacterLength(from[at]);
        if (CharacterLength(to[at]) != length) {
            return std::string_view::npos;
        }
        changed += from.substr(at, length) != to.substr(at, length);
        at += length;
    }
    return changed;
}

}  // namespace

TextContext ContextAround(std::string_view text, std::size_t offset, std::size_t length,
                          std::size_t characters) {
    std::size_t from = offset;
    for (std::size_t taken = 0; from > 0 && !EndsContext(text[from - 1]);) {
        --from;
        if (!IsContinuation(text[from]) && ++taken == characters) {
            break;
        }
    }
    std::size_t to = offset + length;
    for (std::size_t taken = 0; to < text.size() && !EndsContext(text[to]);) {
        ++to;
        while (to < text.size() && IsContinuation(text[to])) {
            ++to;
        }
        if (++taken == characters) {
            break;
        }
    }
    return {std::string(text.substr(from, offset - from)),
            std::string(text.substr(offset + length, to - offset - length))};
}

std::size_t ChangedCharacters(std::string_view from, std::string_view to) {
    if (from.size() == to.size()) {
        if (const std::size_t changed = ChangedInPlace(from, to);
            changed != std::string_view::npos) {
            return changed;
        }
    }
    // What agrees at either end is set aside, back to whole characters.
    std::size_t head = 0;
    while (head < from.size() && head < to.size() && from[head] == to[head]) {
        ++head;
    }
    while (head > 0 && head < from.size() && IsContinuation(from[head])) {
        --head;
    }
    std::size_t tail = 0;
    while (tail < from.size() - head && tail < to.size() - head &&
           from[from.size() - 1 - tail] == to[to.size() - 1 - tail]) {
        ++tail;
    }
    while (tail > 0 && IsContinuation(from[from.size() - tail])) {
        --tail;
    }
    from = from.substr(head, from.size() - head - tail);
    to = to.substr(head, to.size() - head - tail);
    const std::size_t characters = CharacterCount(from);
    const std::size_t written = CharacterCount(to);
    if (characters != written) {
        return std::max(characters, written);
    }
    std::size_t changed = 0;
    for (std::size_t a = 0, b = 0; a < from.size();) {
        const std::size_t length = CharacterLength(from[a]);
        const std::size_t lengthWritten = CharacterLength(to[b]);
        changed += from.substr(a, length) != to.substr(b, lengthWritten);
        a += length;
        b += lengthWritten;
    }
    return changed;
}

UncertainPlaces::Place UncertainPlaces::PlaceAt(const char* at, std::size_t length) const {
    const char* begin = text_.data();
    const char* end = begin + text_.size();
    // Compared as addresses: a stretch that is not part of the text gives no context.
    if (!std::less_equal<const char*>()(begin, at) ||
        !std::less_equal<const char*>()(at + length, end)) {
        return {};
    }
    const std::size_t offset = static_cast<std::size_t>(at - begin);
    TextContext context = ContextAround(text_, offset, length, kContextCharacters);
    return {offset, std::move(context.before), std::move(context.after)};
}

}  // namespace text
