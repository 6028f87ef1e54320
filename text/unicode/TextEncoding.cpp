#include "text/unicode/TextEncoding.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "text/unicode/AsciiCase.hpp"
#include "text/unicode/BinarySignature.hpp"
#include "text/unicode/IconvDecoder.hpp"
#include "text/unicode/Utf8Codec.hpp"

namespace text {
namespace {

using namespace std::string_view_literals;
constexpr std::size_t npos = std::string_view::npos;

// How far an HTML parser looks for <meta charset>, and the bound of an XML declaration.
constexpr std::size_t kDeclarationWindow = 1024;

enum class Family { Utf8, Utf16, Gb, Other };

constexpr std::array kUtf8Labels{"utf-8"sv, "utf8"sv, "unicode-1-1-utf-8"sv};
constexpr std::array kUtf16Labels{"utf-16"sv, "utf-16le"sv, "utf-16be"sv, "ucs-2"sv, "unicode"sv};
// The names the web reads as GBK or GB18030.
constexpr std::array kGbLabels{"gbk"sv,      "gb2312"sv,   "gb18030"sv,     "x-gbk"sv,
                               "cp936"sv,    "ms936"sv,    "windows-936"sv, "euc-cn"sv,
                               "x-euc-cn"sv, "csgb2312"sv, "gb_2312"sv,     "gb_2312-80"sv,
                               "chinese"sv};

template <std::size_t N>
bool IsOneOf(std::string_view label, const std::array<std::string_view, N>& labels) {
    return std::any_of(labels.begin(), labels.end(), [label](std::string_view known) {
        return SameIgnoringAsciiCase(label, known);
    });
}

Family FamilyOf(std::string_view label) {
    if (IsOneOf(label, kUtf8Labels)) {
        return Family::Utf8;
    }
    if (IsOneOf(label, kUtf16Labels)) {
        return Family::Utf16;
    }
    return IsOneOf(label, kGbLabels) ? Family::Gb : Family::Other;
}

// Where a declaration's encoding name is in its text.
struct Label {
    std::size_t at = 0;
    std::size_t length = 0;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsLabelCharacter(char c) {
    const char lowered = LoweredAscii(c);
    return (lowered >= 'a' && lowered <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == ':';
}

std::size_t SkipSpaces(std::string_view text, std::size_t at) {
    while (at < text.size() && IsSpace(text[at])) {
        ++at;
    }
    return at;
}

// Where the lower-case needle is in text from `from` on, in any ASCII case.
std::size_t FindIgnoringCase(std::string_view text, std::string_view needle, std::size_t from) {
    for (std::size_t at = from; at + needle.size() <= text.size(); ++at) {
        if (LoweredAscii(text[at]) == needle[0] &&
            SameIgnoringAsciiCase(text.substr(at, needle.size()), needle)) {
            return at;
        }
    }
    return npos;
}

// After "name", spaces, "=" and spaces: the position of the value, or npos.
std::size_t ValueAfter(std::string_view text, std::size_t at) {
    at = SkipSpaces(text, at);
    return at < text.size() && text[at] == '=' ? SkipSpaces(text, at + 1) : npos;
}

// The encoding of the XML declaration opening text.
std::optional<Label> PrologLabel(std::string_view text) {
    if (!text.starts_with("<?xml")) {
        return std::nullopt;
    }
    const std::string_view prolog = text.substr(0, text.substr(0, kDeclarationWindow).find("?>"));
    const std::size_t name = prolog.find("encoding");
    const std::size_t value = name == npos ? npos : ValueAfter(prolog, name + 8);
    if (value >= prolog.size() || (prolog[value] != '"' && prolog[value] != '\'')) {
        return std::nullopt;
    }
    const std::size_t end = prolog.find(prolog[value], value + 1);
    return end == npos ? std::nullopt : std::optional(Label{value + 1, end - value - 1});
}

// The encoding of the @charset rule opening a stylesheet, written exactly as CSS asks.
std::optional<Label> CharsetRuleLabel(std::string_view text) {
    constexpr std::string_view kOpening = "@charset \"";
    if (!text.starts_with(kOpening)) {
        return std::nullopt;
    }
    const std::size_t end = text.find('"', kOpening.size());
    if (end == npos || text.substr(end, 2) != "\";") {
        return std::nullopt;
    }
    return Label{kOpening.size(), end - kOpening.size()};
}

// The charset= of the first <meta> element opening in text[from, limit) that has one: its
// charset attribute or http-equiv's content="text/html; charset=...".
std::optional<Label> MetaLabel(std::string_view text, std::size_t from, std::size_t limit) {
    const std::string_view searched = text.substr(0, limit);
    for (std::size_t at = FindIgnoringCase(searched, "<meta", from); at != npos;
         at = FindIgnoringCase(searched, "<meta", at + 5)) {
        const std::size_t end = text.find('>', at);
        const char next = at + 5 < text.size() ? text[at + 5] : '>';
        if (end == npos || !(IsSpace(next) || next == '/')) {
            continue;  // <metadata> or a tag cut short
        }
        const std::string_view tag = text.substr(0, end);
        const std::size_t name = FindIgnoringCase(tag, "charset", at);
        std::size_t value = name == npos ? npos : ValueAfter(tag, name + 7);
        if (value < tag.size() && (tag[value] == '"' || tag[value] == '\'')) {
            ++value;
        }
        std::size_t valueEnd = value;
        while (valueEnd < tag.size() && IsLabelCharacter(tag[valueEnd])) {
            ++valueEnd;
        }
        if (value != npos && valueEnd > value) {
            return Label{value, valueEnd - value};
        }
    }
    return std::nullopt;
}

// The declaration that names text's encoding: a stylesheet's @charset; in markup the XML
// declaration's, else that of the first <meta> near the start.
std::optional<Label> DeclarationOf(std::string_view text, DeclarationSyntax syntax) {
    if (syntax == DeclarationSyntax::Stylesheet) {
        return CharsetRuleLabel(text);
    }
    if (std::optional<Label> prolog = PrologLabel(text)) {
        return prolog;
    }
    return MetaLabel(text, 0, kDeclarationWindow);
}

std::string_view LabelIn(std::string_view text, const std::optional<Label>& label) {
    return label ? text.substr(label->at, label->length) : std::string_view();
}

// text with every declaration of its encoding saying UTF-8.
std::string WithUtf8Declarations(std::string_view text, DeclarationSyntax syntax) {
    std::vector<Label> labels;
    if (syntax == DeclarationSyntax::Stylesheet) {
        if (std::optional<Label> rule = CharsetRuleLabel(text)) {
            labels.push_back(*rule);
        }
    } else {
        if (std::optional<Label> prolog = PrologLabel(text)) {
            labels.push_back(*prolog);
        }
        for (std::optional<Label> meta = MetaLabel(text, 0, npos); meta;
             meta = MetaLabel(text, meta->at, npos)) {
            labels.push_back(*meta);
        }
    }
    std::string out;
    out.reserve(text.size() + 8 * labels.size());
    std::size_t copied = 0;
    for (const Label& label : labels) {
        out.append(text.substr(copied, label.at - copied)).append("UTF-8");
        copied = label.at + label.length;
    }
    out.append(text.substr(copied));
    return out;
}

// True when bytes open with the ASCII opener written in UTF-16 of the byte order given.
bool OpensInUtf16(std::string_view bytes, std::string_view opener, bool littleEndian) {
    if (bytes.size() < 2 * opener.size()) {
        return false;
    }
    for (std::size_t i = 0; i < opener.size(); ++i) {
        const std::size_t ascii = 2 * i + (littleEndian ? 0 : 1);
        if (bytes[ascii] != opener[i] || bytes[ascii ^ 1] != '\0') {
            return false;
        }
    }
    return true;
}

// True when bytes are well-formed UTF-8 with at least one character beyond ASCII.
bool IsUtf8BeyondAscii(std::string_view bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    bool beyond = false;
    for (std::size_t at = 0; at < bytes.size();) {
        if (data[at] < 0x80) {
            ++at;
            continue;
        }
        const std::size_t length = WellFormedCharacterLength(data + at, bytes.size() - at);
        if (length == 0) {
            return false;
        }
        beyond = true;
        at += length;
    }
    return beyond;
}

// bytes decoded from encoding, when they are well formed in it; declared is checked by the
// caller or, for UTF-16, here: a declaration in the text must name UTF-16 too.
Utf8Reading Decode(std::string_view bytes, const char* encoding, DeclarationSyntax syntax,
                   std::string declared) {
    Utf8Reading reading{Reading::Mismatch, encoding, std::move(declared), {}};
    IconvDecoder decoder(encoding);
    std::optional<std::string> text = decoder.Decode(bytes);
    if (!text) {
        reading.reading = decoder.Opened() ? Reading::Mismatch : Reading::NoDecoder;
        return reading;
    }
    if (reading.declared.empty()) {
        reading.declared = LabelIn(*text, DeclarationOf(*text, syntax));
        if (!reading.declared.empty() && FamilyOf(reading.declared) != Family::Utf16) {
            return reading;
        }
    }
    reading.reading = Reading::Decoded;
    reading.text = WithUtf8Declarations(*text, syntax);
    return reading;
}

}  // namespace

Utf8Reading ReadAsUtf8(std::string_view bytes, DeclarationSyntax syntax) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        return {};
    }
    if (bytes.starts_with("\xFF\xFE")) {
        return Decode(bytes.substr(2), "UTF-16LE", syntax, {});
    }
    if (bytes.starts_with("\xFE\xFF")) {
        return Decode(bytes.substr(2), "UTF-16BE", syntax, {});
    }
    const std::string_view opener = syntax == DeclarationSyntax::Markup ? "<?" : "@c";
    if (OpensInUtf16(bytes, opener, true) || OpensInUtf16(bytes, opener, false)) {
        return Decode(bytes, bytes[0] == '\0' ? "UTF-16BE" : "UTF-16LE", syntax, {});
    }
    const std::string_view declared = LabelIn(bytes, DeclarationOf(bytes, syntax));
    switch (FamilyOf(declared)) {
        case Family::Utf16:  // 8-bit bytes that say they are UTF-16
            return {Reading::Mismatch, {}, std::string(declared), {}};
        case Family::Gb:
            if (HasBinarySignature(bytes.substr(0, kSignatureLength))) {
                return {};
            }
            if (IsUtf8BeyondAscii(bytes)) {
                return {Reading::Utf8DespiteDeclaration, "UTF-8", std::string(declared), {}};
            }
            return Decode(bytes, "GB18030", syntax, std::string(declared));
        default:
            return {};
    }
}

bool HasUtf16ByteOrderMark(std::string_view bytes) {
    return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

}  // namespace text
