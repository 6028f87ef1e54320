#include "text/convert/CharacterTableConverter.hpp"

#include <new>
#include <vector>

#include "text/unicode/Utf8Codec.hpp"

namespace text {

void CharacterTableConverter::ConvertWellFormed(std::string_view utf8, std::string& out) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    // Never more units than bytes; one more for the encoder's terminator.
    std::vector<char16_t> units(utf8.size() + 1);
    const DecodeResult decoded = DecodeUtf8(units.data(), utf8.size(), bytes, utf8.size());
    int errorNumber = 0;
    std::span<char16_t> text(units.data(), decoded.units);
    if (mapping_.Map(text, text, errorNumber) == 0) {
        // A refused mapping (no dictionary) leaves the text as it was; loading reports it.
        out.append(utf8);
        return;
    }
    units[decoded.units] = 0;
    const std::size_t start = out.size();
    out.resize(start + 3 * decoded.units + 1);
    const EncodeResult encoded = EncodeUtf8(reinterpret_cast<unsigned char*>(out.data() + start),
                                            out.size() - start, units.data());
    out.resize(start + encoded.bytes);
}

}  // namespace text
