#include "text/convert/TextConverter.hpp"

#include "text/unicode/Utf8Codec.hpp"

namespace text {
namespace {

// The length of the well-formed stretch at the start of bytes (no zero byte in it).
std::size_t WellFormedPrefix(std::string_view bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = WellFormedCharacterLength(data + at, bytes.size() - at);
        if (length == 0) {
            break;
        }
        at += length;
    }
    return at;
}

}  // namespace

void TextConverter::Convert(std::string_view bytes, std::string& out) const {
    Convert(bytes, out, nullptr);
}

void TextConverter::Convert(std::string_view bytes, std::string& out,
                            UncertainPlaces* places) const {
    out.reserve(out.size() + bytes.size());
    while (!bytes.empty()) {
        const std::size_t stretch = WellFormedPrefix(bytes);
        if (stretch == 0) {
            out += bytes.front();
            bytes.remove_prefix(1);
            continue;
        }
        if (places == nullptr) {
            ConvertWellFormed(bytes.substr(0, stretch), out);
        } else {
            ConvertWellFormedNoting(bytes.substr(0, stretch), out, *places);
        }
        bytes.remove_prefix(stretch);
    }
}

std::string TextConverter::Convert(std::string_view bytes) const {
    std::string out;
    Convert(bytes, out);
    return out;
}

}  // namespace text
