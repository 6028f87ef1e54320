#include "text/convert/ScriptConversion.hpp"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string_view>

#include "platform/ReplacementFile.hpp"
#include "text/convert/Diagnostics.hpp"
#include "text/convert/FileBuffers.hpp"
#include "text/convert/FileRewrite.hpp"
#include "text/convert/ScriptMapping.hpp"
#include "text/unicode/BinarySignature.hpp"
#include "text/unicode/Utf8Codec.hpp"

namespace {

using text::PrintDiagnostic;
using text::RewriteResult;

// The file text and its units take 1 + 2 bytes per byte of the file (the encoded text goes out
// in chunks); larger sizes would overflow the buffer sizes.
constexpr std::size_t kLargestFile = (std::numeric_limits<std::size_t>::max() - 8) / 2;

// Room for the encoded text on its way to the file, at most four bytes per character.
constexpr std::size_t kChunkBytes = std::size_t{1} << 16;

// The marker test: "utf-8" or "UTF-8" anywhere before the first zero byte.
bool MentionsUtf8(const unsigned char* text, std::size_t size) {
    const std::string_view searchable = text::TextBeforeZero(text, size);
    return searchable.find("utf-8") != std::string_view::npos ||
           searchable.find("UTF-8") != std::string_view::npos;
}

// Writes the zero-terminated units, encoded a chunk at a time, to the replacement.
bool WriteEncoded(platform::ReplacementFile& replacement, const char16_t* units,
                  unsigned char* chunk) {
    while (*units != 0) {
        const text::EncodeResult encoded = text::EncodeUtf8(chunk, kChunkBytes, units);
        if (!replacement.Write(chunk, encoded.bytes)) {
            return false;
        }
        units += encoded.units;
    }
    return true;
}

RewriteResult MappingFailed(int errorNumber) {
    PrintDiagnostic("LCMapString failed with Error# = %d", errorNumber);
    return RewriteResult::Failed("转换字符失败：错误 " + std::to_string(errorNumber));
}

RewriteResult OutOfMemory() {
    PrintDiagnostic("Terminal failure: Unable to allocate buffer.\n");
    return RewriteResult::Failed(std::string(text::kOutOfMemory));
}

// Converts the size bytes (followed by a zero byte) and puts the result in the file's place:
// the converted part, then the part from the first zero byte on, which is not text.
RewriteResult ConvertAndReplace(const std::string& path, const unsigned char* bytes,
                                std::size_t size, const text::ScriptMapping& mapping) {
    // The units are mapped in place: one buffer serves as the decoded and the mapped text.
    auto units = size <= kLargestFile ? text::TryAllocate<char16_t>(size + 1) : nullptr;
    auto chunk = text::TryAllocate<unsigned char>(kChunkBytes);
    if (!units || !chunk) {
        return OutOfMemory();
    }
    const text::DecodeResult decoded = text::DecodeUtf8(units.get(), size, bytes, size);
    const std::size_t n = decoded.units;
    int errorNumber = 0;
    if (mapping.Map({units.get(), n}, {units.get(), n}, errorNumber) == 0) {
        // An empty text (or one that starts with a zero byte) is refused, yet nothing failed.
        const RewriteResult failed = MappingFailed(errorNumber);
        return n == 0 ? RewriteResult::Skipped() : failed;
    }
    units[n] = 0;
    if (std::find(units.get(), units.get() + n, u'\0') != units.get() + n) {
        // A zero unit from the mapping would end the text early: writing would lose text.
        return MappingFailed(text::kErrorInvalidData);
    }
    const unsigned char* rest = bytes + decoded.bytesRead;
    const std::size_t restLength = size - decoded.bytesRead;
    return text::ReplaceContent(path, [&](platform::ReplacementFile& replacement) {
        return WriteEncoded(replacement, units.get(), chunk.get()) &&
               replacement.Write(rest, restLength);
    });
}

}  // namespace

// A binary format's signature wins over the marker: an image's comment may say "utf-8".
bool text::IsTakenForUtf8Text(const unsigned char* bytes, std::size_t size) {
    const std::string_view head(reinterpret_cast<const char*>(bytes),
                                std::min(size, text::kSignatureLength));
    return !text::HasBinarySignature(head) &&
           (MentionsUtf8(bytes, size) || IsUtf8Text(bytes, size) == 1);
}

namespace text {

RewriteResult ConvertTextFileReporting(const std::string& path) {
    return ConvertTextFileReporting(path, SimplifiedToTraditional());
}

RewriteResult ConvertTextFileReporting(const std::string& path, const ScriptMapping& mapping) {
    try {
        std::string failure;
        std::optional<WholeFile> whole = OpenAndReadWhole(path, failure);
        if (!whole) {
            return RewriteResult::Failed(std::move(failure));
        }
        if (!text::IsTakenForUtf8Text(whole->bytes.get(), whole->size)) {
            return RewriteResult::Skipped();
        }
        return ConvertAndReplace(path, whole->bytes.get(), whole->size, mapping);
    } catch (const std::bad_alloc&) {
        return RewriteResult::Failed(std::string(kOutOfMemory));
    }
}

}  // namespace text

int ConvertTextFile(const std::string& path) {
    return ConvertTextFile(path, text::SimplifiedToTraditional());
}

int ConvertTextFile(const std::string& path, const text::ScriptMapping& mapping) {
    return text::ConvertTextFileReporting(path, mapping).status == text::RewriteStatus::Rewritten
               ? 1
               : 0;
}
