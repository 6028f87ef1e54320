#include "text/convert/UncertainPlaces.hpp"

#include <functional>

namespace text {
namespace {

bool IsContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Context stops at markup and line ends: a tag or the next paragraph tells the reader nothing.
bool EndsContext(char byte) {
    return byte == '<' || byte == '>' || byte == '\n' || byte == '\r';
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
