#include "text/convert/CharacterTableConverter.hpp"

#include <array>
#include <memory>

#include "text/unicode/Utf8Codec.hpp"

namespace text {
namespace {

constexpr std::size_t kStackUnits = 1024;

}  // namespace

void CharacterTableConverter::ConvertWellFormed(std::string_view utf8, std::string& out) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    // Never more units than bytes; one more for the encoder's terminator. Short stretches (text
    // between marks a book's markup asks to be kept) stay off the heap.
    std::array<char16_t, kStackUnits> onStack;
    std::unique_ptr<char16_t[]> onHeap;
    char16_t* units = onStack.data();
    if (utf8.size() + 1 > onStack.size()) {
        onHeap = std::make_unique_for_overwrite<char16_t[]>(utf8.size() + 1);
        units = onHeap.get();
    }
    const DecodeResult decoded = DecodeUtf8(units, utf8.size(), bytes, utf8.size());
    int errorNumber = 0;
    std::span<char16_t> text(units, decoded.units);
    if (mapping_.Map(text, text, errorNumber) == 0) {
        // A refused mapping (no dictionary) leaves the text as it was; loading reports it.
        out.append(utf8);
        return;
    }
    units[decoded.units] = 0;
    const std::size_t start = out.size();
    out.resize(start + 3 * decoded.units + 1);
    const EncodeResult encoded =
        EncodeUtf8(reinterpret_cast<unsigned char*>(out.data() + start), out.size() - start, units);
    out.resize(start + encoded.bytes);
}

}  // namespace text
