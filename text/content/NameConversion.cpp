#include "text/content/NameConversion.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "text/unicode/Utf8Codec.hpp"

namespace text {
namespace {

enum class EscapeForm : std::uint8_t { Raw, Percent, DecimalReference, HexReference };
enum class HexCase : std::uint8_t { Unknown, Upper, Lower };

// How a name wrote one character: the kind of escape and the case of its hex digits.
struct UnitStyle {
    EscapeForm form = EscapeForm::Raw;
    HexCase hexCase = HexCase::Unknown;
};

// One character of a decoded name (or one byte that is not part of a well-formed character).
struct NameUnit {
    std::size_t decodedBegin = 0;
    std::size_t decodedLength = 0;
    std::size_t sourceBegin = 0;
    std::size_t sourceLength = 0;
    UnitStyle style;
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

HexCase CaseOf(std::string_view digits) {
    for (char c : digits) {
        if (c >= 'A' && c <= 'F') {
            return HexCase::Upper;
        }
        if (c >= 'a' && c <= 'f') {
            return HexCase::Lower;
        }
    }
    return HexCase::Unknown;
}

// The code point of the well-formed UTF-8 character that is all of bytes.
char32_t CodePointOf(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (bytes.size() == 1) {
        return lead;
    }
    char32_t c = lead & (0x7F >> bytes.size());
    for (char byte : bytes.substr(1)) {
        c = (c << 6) | (static_cast<unsigned char>(byte) & 0x3F);
    }
    return c;
}

// A character reference such as "&#x540E;" or "&#21518;" at the start of text.
struct CharacterReference {
    std::size_t length = 0;  // 0 when text does not start with a usable one
    char32_t codePoint = 0;
    UnitStyle style;
};

CharacterReference ReadCharacterReference(std::string_view text) {
    if (!text.starts_with("&#")) {
        return {};
    }
    const bool hex = text.size() > 2 && (text[2] == 'x' || text[2] == 'X');
    const std::size_t digitsBegin = hex ? 3 : 2;
    std::size_t at = digitsBegin;
    char32_t codePoint = 0;
    for (; at < text.size() && at - digitsBegin < 8; ++at) {
        const int digit =
            hex ? HexValue(text[at]) : (text[at] >= '0' && text[at] <= '9' ? text[at] - '0' : -1);
        if (digit < 0) {
            break;
        }
        codePoint = codePoint * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    const bool scalar =
        codePoint > 0 && codePoint <= 0x10FFFF && (codePoint < 0xD800 || codePoint > 0xDFFF);
    if (at == digitsBegin || at >= text.size() || text[at] != ';' || !scalar) {
        return {};
    }
    const UnitStyle style{hex ? EscapeForm::HexReference : EscapeForm::DecimalReference,
                          hex ? CaseOf(text.substr(3, at - 3)) : HexCase::Unknown};
    return {at + 1, codePoint, style};
}

// Length of the character (or lone byte) that starts text[at..).
std::size_t UnitLength(std::string_view text, std::size_t at) {
    const std::size_t length = WellFormedCharacterLength(
        reinterpret_cast<const unsigned char*>(text.data()) + at, text.size() - at);
    return length == 0 ? 1 : length;
}

// A name with its escapes decoded, cut into characters that remember their source form.
class DecodedName {
  public:
    DecodedName(std::string_view name, NameEscapes escapes) : source_(name) {
        Decode(escapes);
        for (std::size_t at = 0; at < bytes_.size();) {
            const std::size_t length = UnitLength(bytes_, at);
            NameUnit unit{at, length, origins_[at].source, 0, {}};
            for (std::size_t i = at; i < at + length; ++i) {
                unit.sourceLength += origins_[i].length;
                if (unit.style.form == EscapeForm::Raw) {
                    unit.style = origins_[i].style;
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
    // The style new escapes for unit take: its own, with the name's first case of hex digits
    // when its own digits do not tell.
    UnitStyle StyleFor(const NameUnit& unit) const {
        UnitStyle style = unit.style;
        if (style.hexCase == HexCase::Unknown) {
            style.hexCase = defaultCase_ == HexCase::Unknown ? HexCase::Upper : defaultCase_;
        }
        return style;
    }

  private:
    // Where each decoded byte came from: an escape's first byte carries the escape's length,
    // the others of a character reference none.
    struct ByteOrigin {
        std::size_t source;
        std::size_t length;
        UnitStyle style;
    };

    void Decode(NameEscapes escapes) {
        bytes_.reserve(source_.size());
        origins_.reserve(source_.size());
        for (std::size_t at = 0; at < source_.size();) {
            const std::string_view rest = source_.substr(at);
            if (escapes.percent && rest.size() > 2 && rest[0] == '%' && HexValue(rest[1]) >= 0 &&
                HexValue(rest[2]) >= 0) {
                Add(static_cast<char>(HexValue(rest[1]) * 16 + HexValue(rest[2])),
                    {at, 3, {EscapeForm::Percent, CaseOf(rest.substr(1, 2))}});
                at += 3;
                continue;
            }
            const CharacterReference reference =
                escapes.characterReferences ? ReadCharacterReference(rest) : CharacterReference{};
            if (reference.length == 0) {
                Add(rest[0], {at, 1, {}});
                ++at;
                continue;
            }
            std::string utf8;
            AppendUtf8(reference.codePoint, utf8);
            for (std::size_t i = 0; i < utf8.size(); ++i) {
                Add(utf8[i], {i == 0 ? at : at + reference.length, i == 0 ? reference.length : 0,
                              reference.style});
            }
            at += reference.length;
        }
    }

    void Add(char byte, ByteOrigin origin) {
        bytes_ += byte;
        origins_.push_back(origin);
        if (defaultCase_ == HexCase::Unknown) {
            defaultCase_ = origin.style.hexCase;
        }
    }

    std::string_view source_;
    std::string bytes_;
    std::vector<ByteOrigin> origins_;
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

void AppendHex(std::uint32_t value, std::size_t minDigits, HexCase hexCase, std::string& out) {
    const char* digits = hexCase == HexCase::Lower ? "0123456789abcdef" : "0123456789ABCDEF";
    char buffer[8];
    std::size_t count = 0;
    do {
        buffer[count++] = digits[value & 0xF];
        value >>= 4;
    } while (value != 0 || count < minDigits);
    while (count > 0) {
        out += buffer[--count];
    }
}

// Appends one converted character in style, escaped unless it can stay raw: ASCII stays raw
// but for what a percent-encoded name must escape.
void AppendInStyle(std::string_view character, UnitStyle style, std::string& out) {
    const bool wellFormed = UnitLength(character, 0) == character.size();
    const bool ascii = static_cast<unsigned char>(character[0]) < 0x80;
    switch (style.form) {
        case EscapeForm::Percent:
            for (char c : character) {
                if (MustEscape(static_cast<unsigned char>(c))) {
                    out += '%';
                    AppendHex(static_cast<unsigned char>(c), 2, style.hexCase, out);
                } else {
                    out += c;
                }
            }
            return;
        case EscapeForm::DecimalReference:
        case EscapeForm::HexReference:
            if (wellFormed && !ascii) {
                const bool hex = style.form == EscapeForm::HexReference;
                out += hex ? "&#x" : "&#";  // XML knows no "&#X"
                if (hex) {
                    AppendHex(CodePointOf(character), 1, style.hexCase, out);
                } else {
                    out += std::to_string(CodePointOf(character));
                }
                out += ';';
                return;
            }
            break;
        case EscapeForm::Raw:
            break;
    }
    out += character;
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
void AppendPairwise(const DecodedName& source, const std::vector<std::string_view>& converted,
                    std::string& out) {
    for (std::size_t i = 0; i < converted.size(); ++i) {
        const NameUnit& unit = source.Units()[i];
        if (converted[i] == source.DecodedOf(unit)) {
            out += source.SourceOf(unit);
        } else {
            AppendInStyle(converted[i], source.StyleFor(unit), out);
        }
    }
}

// A phrase changed the number of characters: the common start and end keep their form, the
// changed middle is escaped like the first escaped character it replaces.
void AppendAligned(const DecodedName& source, const std::vector<std::string_view>& converted,
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
    UnitStyle style;
    for (std::size_t i = prefix; i < units.size() - suffix && style.form == EscapeForm::Raw; ++i) {
        style = source.StyleFor(units[i]);
    }
    for (std::size_t i = 0; i < prefix; ++i) {
        out += source.SourceOf(units[i]);
    }
    for (std::size_t i = prefix; i < converted.size() - suffix; ++i) {
        AppendInStyle(converted[i], style, out);
    }
    for (std::size_t i = units.size() - suffix; i < units.size(); ++i) {
        out += source.SourceOf(units[i]);
    }
}

bool MayHoldEscape(std::string_view name, NameEscapes escapes) {
    return (escapes.percent && name.find('%') != std::string_view::npos) ||
           (escapes.characterReferences && name.find("&#") != std::string_view::npos);
}

}  // namespace

std::string ConvertFileName(std::string_view name, const TextConverter& converter) {
    return converter.Convert(name);
}

void AppendConvertedName(std::string_view name, NameEscapes escapes, const TextConverter& converter,
                         std::string& out) {
    if (!MayHoldEscape(name, escapes)) {
        converter.Convert(name, out);  // raw: exactly the file's converted name
        return;
    }
    const DecodedName source(name, escapes);
    const std::string convertedBytes = converter.Convert(source.Bytes());
    const std::vector<std::string_view> converted = SplitUnits(convertedBytes);
    if (converted.size() == source.Units().size()) {
        AppendPairwise(source, converted, out);
    } else {
        AppendAligned(source, converted, out);
    }
}

}  // namespace text
