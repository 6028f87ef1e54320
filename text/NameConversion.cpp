#include "text/NameConversion.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "text/Utf8Codec.hpp"

namespace text {
namespace {

enum class HexCase : std::uint8_t { Unknown, Upper, Lower };

// One character of a decoded segment (or one byte that is not part of a well-formed character)
// and how the reference wrote it.
struct NameUnit {
    std::size_t decodedBegin = 0;
    std::size_t decodedLength = 0;
    std::size_t sourceBegin = 0;
    std::size_t sourceLength = 0;
    bool encoded = false;  // at least one of its bytes was an escape
    HexCase hexCase = HexCase::Unknown;
};

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

HexCase CaseOfEscape(char high, char low) {
    for (char c : {high, low}) {
        if (c >= 'A' && c <= 'F') {
            return HexCase::Upper;
        }
        if (c >= 'a' && c <= 'f') {
            return HexCase::Lower;
        }
    }
    return HexCase::Unknown;
}

// Length of the character (or lone byte) that starts text[at..).
std::size_t UnitLength(std::string_view text, std::size_t at) {
    const std::size_t length = WellFormedCharacterLength(
        reinterpret_cast<const unsigned char*>(text.data()) + at, text.size() - at);
    return length == 0 ? 1 : length;
}

// A segment with its escapes decoded, cut into characters that remember their source form.
class DecodedSegment {
  public:
    explicit DecodedSegment(std::string_view segment) : source_(segment) {
        struct ByteOrigin {
            std::size_t source;
            std::size_t length;
            HexCase hexCase;
        };
        std::vector<ByteOrigin> origins;
        origins.reserve(segment.size());
        bytes_.reserve(segment.size());
        for (std::size_t at = 0; at < segment.size();) {
            if (segment[at] == '%' && at + 2 < segment.size() && HexValue(segment[at + 1]) >= 0 &&
                HexValue(segment[at + 2]) >= 0) {
                bytes_ +=
                    static_cast<char>(HexValue(segment[at + 1]) * 16 + HexValue(segment[at + 2]));
                const HexCase hexCase = CaseOfEscape(segment[at + 1], segment[at + 2]);
                origins.push_back({at, 3, hexCase});
                if (defaultCase_ == HexCase::Unknown) {
                    defaultCase_ = hexCase;
                }
                at += 3;
            } else {
                bytes_ += segment[at];
                origins.push_back({at, 1, HexCase::Unknown});
                ++at;
            }
        }
        for (std::size_t at = 0; at < bytes_.size();) {
            const std::size_t length = UnitLength(bytes_, at);
            NameUnit unit{at, length, origins[at].source, 0, false, HexCase::Unknown};
            for (std::size_t i = at; i < at + length; ++i) {
                unit.sourceLength += origins[i].length;
                unit.encoded = unit.encoded || origins[i].length == 3;
                if (unit.hexCase == HexCase::Unknown) {
                    unit.hexCase = origins[i].hexCase;
                }
            }
            units_.push_back(unit);
            at += length;
        }
    }

    const std::string& Bytes() const { return bytes_; }
    const std::vector<NameUnit>& Units() const { return units_; }
    std::string_view SourceOf(const NameUnit& unit) const {
        return source_.substr(unit.sourceBegin, unit.sourceLength);
    }
    std::string_view DecodedOf(const NameUnit& unit) const {
        return std::string_view(bytes_).substr(unit.decodedBegin, unit.decodedLength);
    }
    // The case of hex digits a new escape for unit takes: its own, else the segment's first.
    HexCase CaseFor(const NameUnit* unit) const {
        if (unit != nullptr && unit->hexCase != HexCase::Unknown) {
            return unit->hexCase;
        }
        return defaultCase_ == HexCase::Unknown ? HexCase::Upper : defaultCase_;
    }

  private:
    std::string_view source_;
    std::string bytes_;
    std::vector<NameUnit> units_;
    HexCase defaultCase_ = HexCase::Unknown;
};

// Bytes that a percent-encoded name cannot hold raw.
bool MustEscape(unsigned char byte) {
    if (byte >= 0x80 || byte <= 0x20 || byte == 0x7F) {
        return true;
    }
    constexpr std::string_view kReserved = "\"#%/<>?[\\]^`{|}";
    return kReserved.find(static_cast<char>(byte)) != std::string_view::npos;
}

void AppendEscape(unsigned char byte, HexCase hexCase, std::string& out) {
    const char* digits = hexCase == HexCase::Lower ? "0123456789abcdef" : "0123456789ABCDEF";
    out += '%';
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}

// Appends bytes encoded: every byte when all is set, else only those that cannot stay raw.
void AppendEncoded(std::string_view bytes, HexCase hexCase, bool all, std::string& out) {
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (all || MustEscape(byte)) {
            AppendEscape(byte, hexCase, out);
        } else {
            out += c;
        }
    }
}

std::vector<std::string_view> SplitUnits(std::string_view text) {
    std::vector<std::string_view> units;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = UnitLength(text, at);
        units.push_back(text.substr(at, length));
        at += length;
    }
    return units;
}

// Same number of characters: each one takes the form of the character it replaces.
void AppendPairwise(const DecodedSegment& source, const std::vector<std::string_view>& converted,
                    std::string& out) {
    for (std::size_t i = 0; i < converted.size(); ++i) {
        const NameUnit& unit = source.Units()[i];
        if (converted[i] == source.DecodedOf(unit)) {
            out += source.SourceOf(unit);
        } else if (unit.encoded) {
            AppendEncoded(converted[i], source.CaseFor(&unit), true, out);
        } else {
            out += converted[i];
        }
    }
}

// A phrase changed the number of characters: the common start and end keep their form, the
// changed middle is encoded if any character it replaces was.
void AppendAligned(const DecodedSegment& source, const std::vector<std::string_view>& converted,
                   std::string& out) {
    const std::vector<NameUnit>& units = source.Units();
    const std::size_t shorter = std::min(units.size(), converted.size());
    std::size_t prefix = 0;
    while (prefix < shorter && converted[prefix] == source.DecodedOf(units[prefix])) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (prefix + suffix < shorter && converted[converted.size() - 1 - suffix] ==
                                            source.DecodedOf(units[units.size() - 1 - suffix])) {
        ++suffix;
    }
    const NameUnit* style = nullptr;
    for (std::size_t i = prefix; i < units.size() - suffix && style == nullptr; ++i) {
        style = units[i].encoded ? &units[i] : nullptr;
    }
    for (std::size_t i = 0; i < prefix; ++i) {
        out += source.SourceOf(units[i]);
    }
    for (std::size_t i = prefix; i < converted.size() - suffix; ++i) {
        if (style != nullptr) {
            AppendEncoded(converted[i], source.CaseFor(style), false, out);
        } else {
            out += converted[i];
        }
    }
    for (std::size_t i = units.size() - suffix; i < units.size(); ++i) {
        out += source.SourceOf(units[i]);
    }
}

}  // namespace

std::string ConvertFileName(std::string_view name, const TextConverter& converter) {
    return converter.Convert(name);
}

void AppendConvertedName(std::string_view segment, const TextConverter& converter,
                         std::string& out) {
    if (segment.find('%') == std::string_view::npos) {
        converter.Convert(segment, out);  // raw: exactly the file's converted name
        return;
    }
    const DecodedSegment source(segment);
    const std::string convertedBytes = converter.Convert(source.Bytes());
    const std::vector<std::string_view> converted = SplitUnits(convertedBytes);
    if (converted.size() == source.Units().size()) {
        AppendPairwise(source, converted, out);
    } else {
        AppendAligned(source, converted, out);
    }
}

}  // namespace text
