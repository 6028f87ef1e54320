#include "text/unicode/BinarySignature.hpp"

#include <algorithm>
#include <array>

namespace text {
namespace {

using namespace std::string_view_literals;

unsigned Byte(std::string_view head, std::size_t at) {
    return static_cast<unsigned char>(head[at]);
}

// Formats told by fixed bytes at a fixed offset. Tags made of letters alone are followed by a
// byte that text would not hold where a plain word could open a text file ("true", "OggS").
struct FixedSignature {
    std::string_view format;
    std::size_t offset;
    std::string_view bytes;
};

constexpr std::array kFixedSignatures{
    FixedSignature{"PNG", 0, "\x89PNG\r\n\x1A\n"sv},
    FixedSignature{"JPEG", 0, "\xFF\xD8\xFF"sv},
    FixedSignature{"GIF", 0, "GIF87a"sv},
    FixedSignature{"GIF", 0, "GIF89a"sv},
    FixedSignature{"TIFF", 0, "II*\0"sv},
    FixedSignature{"TIFF", 0, "MM\0*"sv},
    FixedSignature{"TrueType", 0, "\0\x01\0\0"sv},
    FixedSignature{"TrueType", 0, "true\0"sv},
    FixedSignature{"OpenType", 0, "OTTO\0"sv},
    FixedSignature{"TrueType collection", 0, "ttcf\0"sv},
    FixedSignature{"WOFF", 0, "wOFF"sv},
    FixedSignature{"WOFF2", 0, "wOF2"sv},
    FixedSignature{"MP3", 0, "ID3\x02"sv},
    FixedSignature{"MP3", 0, "ID3\x03"sv},
    FixedSignature{"MP3", 0, "ID3\x04"sv},
    FixedSignature{"Ogg", 0, "OggS\0"sv},
    FixedSignature{"FLAC", 0, "fLaC"sv},
    FixedSignature{"Matroska", 0, "\x1A\x45\xDF\xA3"sv},
    FixedSignature{"PDF", 0, "%PDF-"sv},
    FixedSignature{"ZIP", 0, "PK\x03\x04"sv},
    FixedSignature{"ZIP", 0, "PK\x05\x06"sv},
    FixedSignature{"ZIP", 0, "PK\x07\x08"sv},
};

// RIFF containers: "RIFF", a four-byte size, then the form type.
constexpr std::array kRiffForms{std::pair{"WebP"sv, "WEBP"sv}, std::pair{"WAV"sv, "WAVE"sv},
                                std::pair{"AVI"sv, "AVI "sv}};

bool HasAt(std::string_view head, std::size_t offset, std::string_view bytes) {
    return head.size() >= offset + bytes.size() && head.substr(offset, bytes.size()) == bytes;
}

std::optional<std::string_view> RiffFormat(std::string_view head) {
    if (!HasAt(head, 0, "RIFF")) {
        return std::nullopt;
    }
    for (const auto& [format, form] : kRiffForms) {
        if (HasAt(head, 8, form)) {
            return format;
        }
    }
    return std::nullopt;
}

// "BM" alone opens plenty of words: the reserved zero bytes and a known size of the header
// that follows the file header make the bitmap sure.
bool IsBitmap(std::string_view head) {
    constexpr std::array<unsigned, 7> kInfoHeaderSizes{12, 40, 52, 56, 64, 108, 124};
    if (head.size() < 18 || !HasAt(head, 0, "BM") || !HasAt(head, 6, "\0\0\0\0"sv)) {
        return false;
    }
    const unsigned infoSize =
        Byte(head, 14) | Byte(head, 15) << 8 | Byte(head, 16) << 16 | Byte(head, 17) << 24;
    return std::find(kInfoHeaderSizes.begin(), kInfoHeaderSizes.end(), infoSize) !=
           kInfoHeaderSizes.end();
}

// ISO media (MP4, MOV, HEIF...): a first box "ftyp" whose size is far below 64 KiB.
bool IsIsoMedia(std::string_view head) {
    return HasAt(head, 0, "\0\0"sv) && HasAt(head, 4, "ftyp");
}

// Icons and cursors: a reserved zero, type 1 or 2, and at least one image.
bool IsIcon(std::string_view head) {
    return head.size() >= 6 && (HasAt(head, 0, "\0\0\x01\0"sv) || HasAt(head, 0, "\0\0\x02\0"sv)) &&
           (Byte(head, 4) | Byte(head, 5)) != 0;
}

// An MPEG audio frame header without its ID3 tag: eleven sync bits, then no reserved version,
// layer, bit rate or sampling rate.
bool IsMpegAudioFrame(std::string_view head) {
    if (head.size() < 3 || Byte(head, 0) != 0xFF || (Byte(head, 1) & 0xE0) != 0xE0) {
        return false;
    }
    const unsigned version = (Byte(head, 1) >> 3) & 3;
    const unsigned layer = (Byte(head, 1) >> 1) & 3;
    const unsigned bitRate = Byte(head, 2) >> 4;
    const unsigned samplingRate = (Byte(head, 2) >> 2) & 3;
    return version != 1 && layer != 0 && bitRate != 0xF && samplingRate != 3;
}

// "utf-8" or "UTF-8" anywhere before the first zero byte.
bool MentionsUtf8(std::string_view bytes) {
    const std::string_view searchable = bytes.substr(0, bytes.find('\0'));
    return searchable.find("utf-8") != std::string_view::npos ||
           searchable.find("UTF-8") != std::string_view::npos;
}

// The first design's well-formedness test, kept as it decides which files a book converts:
// lenient about lead bytes, and it accepts the text at the 301st completed multi-byte sequence
// without looking further.
bool PassesLenientUtf8Test(std::string_view bytes) {
    constexpr int kSequencesBeforeAccept = 300;
    int expected = 0;
    int completed = 0;
    for (const char signedByte : bytes) {
        const auto byte = static_cast<unsigned char>(signedByte);
        if (expected > 0) {
            if ((byte & 0xC0) != 0x80) {
                return false;
            }
            if (--expected == 0 && completed++ == kSequencesBeforeAccept) {
                return true;
            }
        } else if (byte >= 0x80) {
            int leadingOnes = 0;
            for (unsigned mask = 0x80; mask != 0 && (byte & mask) != 0; mask >>= 1) {
                ++leadingOnes;
            }
            if (leadingOnes == 1) {
                return false;
            }
            expected = leadingOnes - 1;
        }
    }
    return expected == 0;
}

}  // namespace

std::optional<std::string_view> BinaryFormatOf(std::string_view head) {
    for (const FixedSignature& signature : kFixedSignatures) {
        if (HasAt(head, signature.offset, signature.bytes)) {
            return signature.format;
        }
    }
    if (std::optional<std::string_view> riff = RiffFormat(head)) {
        return riff;
    }
    if (IsIsoMedia(head)) {
        return "MP4";
    }
    if (IsBitmap(head)) {
        return "BMP";
    }
    if (IsIcon(head)) {
        return "ICO";
    }
    if (IsMpegAudioFrame(head)) {
        return "MP3";
    }
    return std::nullopt;
}

bool IsTakenForUtf8Text(std::string_view bytes) {
    // A signature wins over the marker: an image's comment may say "utf-8".
    return !HasBinarySignature(bytes.substr(0, kSignatureLength)) &&
           (MentionsUtf8(bytes) || PassesLenientUtf8Test(bytes));
}

}  // namespace text
