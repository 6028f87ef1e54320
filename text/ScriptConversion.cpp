#include "text/ScriptConversion.hpp"

#include <limits>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/File.hpp"
#include "text/Diagnostics.hpp"
#include "text/FileBuffers.hpp"
#include "text/ScriptMapping.hpp"
#include "text/Utf8Codec.hpp"

namespace {

using text::PrintDiagnostic;

// The file text, the units and, when the text grows, the encoded text take 1 + 2 + 3 bytes per
// byte of the file; larger sizes would overflow the buffer sizes.
constexpr std::size_t kLargestFile = (std::numeric_limits<std::size_t>::max() - 8) / 6;

// The marker test: "utf-8" or "UTF-8" anywhere before the first zero byte.
bool MentionsUtf8(const unsigned char* text, std::size_t size) {
    const std::string_view searchable = text::TextBeforeZero(text, size);
    return searchable.find("utf-8") != std::string_view::npos ||
           searchable.find("UTF-8") != std::string_view::npos;
}

bool IsTakenForUtf8Text(const unsigned char* text, std::size_t size) {
    return MentionsUtf8(text, size) || IsUtf8Text(text, size) == 1;
}

// Writes output and then rest over the file from offset 0, and cuts the file to that length
// when it was longer. False when any step fails.
bool WriteBack(platform::File& file, const unsigned char* output, std::size_t outputLength,
               const unsigned char* rest, std::size_t restLength, std::size_t oldSize) {
    if (!file.SeekTo(0) || file.Write(output, outputLength) != outputLength ||
        file.Write(rest, restLength) != restLength) {
        return false;
    }
    const std::size_t newSize = outputLength + restLength;
    return newSize >= oldSize || file.Truncate(newSize);
}

// The re-encoded text: where it lies, its length and the units it holds.
struct Encoded {
    const unsigned char* bytes = nullptr;
    std::size_t length = 0;
    std::size_t units = 0;
};

// Encodes the n mapped units for writing back. The decoded bytes are no longer needed, so the
// text goes into their place when it fits, as it does unless characters got longer; the byte at
// bytesRead is zero, so the encoder's final zero there harms nothing, and what follows it stays.
// Otherwise output gets three bytes per byte of the file. Nullopt when that allocation fails.
std::optional<Encoded> EncodeMapped(unsigned char* text, std::size_t bytesRead, std::size_t size,
                                    const char16_t* mapped, std::size_t n,
                                    std::unique_ptr<unsigned char[]>& output) {
    text::EncodeResult result = text::EncodeUtf8(text, bytesRead + 1, mapped);
    if (result.units == n) {
        return Encoded{text, result.bytes, result.units};
    }
    output = text::TryAllocate<unsigned char>(3 * size + 1);
    if (!output) {
        return std::nullopt;
    }
    result = text::EncodeUtf8(output.get(), 3 * size + 1, mapped);
    return Encoded{output.get(), result.bytes, result.units};
}

// Converts the size bytes (followed by a zero byte) and writes the result back: the converted
// part, then the part from the first zero byte on, which is not text.
int ConvertAndWrite(platform::File& file, unsigned char* bytes, std::size_t size,
                    const text::ScriptMapping& mapping) {
    // The units are mapped in place: one buffer serves as the decoded and the mapped text.
    auto units = size <= kLargestFile ? text::TryAllocate<char16_t>(size + 1) : nullptr;
    if (!units) {
        PrintDiagnostic("Terminal failure: Unable to allocate buffer.\n");
        return 0;
    }
    const text::DecodeResult decoded = text::DecodeUtf8(units.get(), size, bytes, size);
    const std::size_t n = decoded.units;
    int errorNumber = 0;
    if (mapping.Map({units.get(), n}, {units.get(), n}, errorNumber) == 0) {
        PrintDiagnostic("LCMapString failed with Error# = %d", errorNumber);
        return 0;
    }
    units[n] = 0;
    std::unique_ptr<unsigned char[]> output;
    const std::optional<Encoded> encoded =
        EncodeMapped(bytes, decoded.bytesRead, size, units.get(), n, output);
    if (!encoded) {
        PrintDiagnostic("Terminal failure: Unable to allocate buffer.\n");
        return 0;
    }
    if (encoded->units != n) {
        // Only a zero unit from the mapping ends the encoding early; writing would lose text.
        PrintDiagnostic("LCMapString failed with Error# = %d", text::kErrorInvalidData);
        return 0;
    }
    if (!WriteBack(file, encoded->bytes, encoded->length, bytes + decoded.bytesRead,
                   size - decoded.bytesRead, size)) {
        PrintDiagnostic("Terminal failure: Unable to write to file.\n");
        return 0;
    }
    return 1;
}

}  // namespace

int ConvertTextFile(const std::string& path) {
    return ConvertTextFile(path, text::SimplifiedToTraditional());
}

int ConvertTextFile(const std::string& path, const text::ScriptMapping& mapping) {
    std::optional<text::WholeFile> whole = text::OpenAndReadWhole(path);
    if (!whole) {
        return 0;
    }
    if (!IsTakenForUtf8Text(whole->bytes.get(), whole->size)) {
        return 0;
    }
    return ConvertAndWrite(whole->file, whole->bytes.get(), whole->size, mapping);
}
