// The UTF-8 codec on any bytes: decoding then encoding gives back every byte before the first
// zero, and no capacity, however small, lets either side write past its buffer. The judgement
// of text and the reading of text in other encodings run on the same bytes.
#include <cstdint>
#include <memory>
#include <string_view>

#include "fuzz/FuzzSupport.hpp"
#include "text/unicode/BinarySignature.hpp"
#include "text/unicode/TextEncoding.hpp"
#include "text/unicode/Utf8Codec.hpp"

using fuzz_support::Check;

namespace {

// Buffers of exactly the asked size, so a write past them shows under AddressSanitizer.
template <typename T>
std::unique_ptr<T[]> Exactly(std::size_t count) {
    return std::make_unique<T[]>(count);
}

void RoundTrip(const unsigned char* bytes, std::size_t size) {
    const auto units = Exactly<char16_t>(size + 1);
    const text::DecodeResult decoded = text::DecodeUtf8(units.get(), size, bytes, size);
    const std::string_view text = fuzz_support::AsText(bytes, size);
    const std::size_t zero = std::min(text.find('\0'), size);
    Check(decoded.bytesRead == zero, "decoding reads up to the first zero byte");
    Check(decoded.units <= decoded.bytesRead, "at most one unit per byte");
    units[decoded.units] = 0;
    const auto encoded = Exactly<unsigned char>(3 * size + 1);
    const text::EncodeResult result = text::EncodeUtf8(encoded.get(), 3 * size + 1, units.get());
    Check(result.units == decoded.units, "every unit is encoded");
    Check(fuzz_support::AsText(encoded.get(), result.bytes) == text.substr(0, zero),
          "encoding the decoding gives the bytes back");
    Check(encoded[result.bytes] == 0, "the encoding ends with a zero byte");
    for (std::size_t at = 0; at < size; ++at) {
        const std::size_t length = text::WellFormedCharacterLength(bytes + at, size - at);
        Check(length <= 4 && length <= size - at, "a character lies within the bytes");
    }
    if (text::IsTakenForUtf8Text(text)) {
        Check(!text::HasBinarySignature(text.substr(0, text::kSignatureLength)),
              "no file with a binary signature is taken for text");
    }
}

// Both sides with a capacity taken from the input: tight buffers everywhere.
void SmallCapacities(const unsigned char* bytes, std::size_t size) {
    if (size < 2) {
        return;
    }
    const std::size_t maxUnits = bytes[0] % 32;
    const std::size_t byteCapacity = bytes[1] % 64;
    const auto units = Exactly<char16_t>(maxUnits + 1);
    const text::DecodeResult decoded = text::DecodeUtf8(units.get(), maxUnits, bytes + 2, size - 2);
    Check(decoded.units <= maxUnits, "no more units than asked for");
    units[decoded.units] = 0;
    const auto encoded = Exactly<unsigned char>(byteCapacity == 0 ? 1 : byteCapacity);
    const text::EncodeResult result = text::EncodeUtf8(encoded.get(), byteCapacity, units.get());
    Check(result.units <= decoded.units && (byteCapacity == 0 || result.bytes < byteCapacity),
          "no more units encoded than there are, and room for the zero byte");
}

// Whatever the bytes, only a decoded file has a text, and that text is UTF-8 throughout.
void ReadInOtherEncodings(std::string_view bytes) {
    for (const auto syntax :
         {text::DeclarationSyntax::Markup, text::DeclarationSyntax::Stylesheet}) {
        const text::Utf8Reading reading = text::ReadAsUtf8(bytes, syntax);
        Check(reading.reading == text::Reading::Decoded || reading.text.empty(),
              "only a decoded file has a text");
        const auto* data = reinterpret_cast<const unsigned char*>(reading.text.data());
        for (std::size_t at = 0; at < reading.text.size();) {
            const std::size_t length = data[at] == 0 ? 1
                                                     : text::WellFormedCharacterLength(
                                                           data + at, reading.text.size() - at);
            Check(length > 0, "a decoded text is well-formed UTF-8");
            at += length;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input's size: a read past it shows under AddressSanitizer.
    const auto bytes = Exactly<unsigned char>(size == 0 ? 1 : size);
    std::copy(data, data + size, bytes.get());
    RoundTrip(bytes.get(), size);
    SmallCapacities(bytes.get(), size);
    ReadInOtherEncodings(fuzz_support::AsText(bytes.get(), size));
    return 0;
}
