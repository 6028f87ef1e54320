#include "text/content/QuotePairing.hpp"

#include <array>
#include <cstring>

namespace text {
namespace {

// Every mark is three bytes in UTF-8 and, per direction, shares its first two.
constexpr std::size_t kMarkSize = 3;
// “ ” ‘ ’ and 「 」 『 』, each in the order of Mark::kind.
constexpr std::array<std::string_view, 4> kCurly{"\u201C", "\u201D", "\u2018", "\u2019"};
constexpr std::array<std::string_view, 4> kCorner{"\u300C", "\u300D", "\u300E", "\u300F"};
constexpr int kClosingSingle = 3;

const std::array<std::string_view, 4>& SourceMarks(ScriptDirection direction) {
    return direction == ScriptDirection::ToTraditional ? kCurly : kCorner;
}

const std::array<std::string_view, 4>& TargetMarks(ScriptDirection direction) {
    return direction == ScriptDirection::ToTraditional ? kCorner : kCurly;
}

bool IsAsciiLetterOrDigit(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A Latin letter of U+00C0 to U+024F (but × and ÷) in its two bytes of UTF-8.
bool IsLatinLetter(unsigned char lead, unsigned char trail) {
    if (lead < 0xC3 || lead > 0xC9 || (trail & 0xC0) != 0x80) {
        return false;
    }
    return !(lead == 0xC3 && (trail == 0x97 || trail == 0xB7));
}

}  // namespace

void QuotePairing::Collect(std::size_t begin, std::size_t end) {
    const std::array<std::string_view, 4>& marks = SourceMarks(direction_);
    const char lead = marks[0][0];
    const char* data = text_.data();
    std::size_t at = begin;
    while (at + kMarkSize <= end) {
        const void* found = std::memchr(data + at, lead, end - kMarkSize + 1 - at);
        if (found == nullptr) {
            return;
        }
        at = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        const std::string_view candidate = text_.substr(at, kMarkSize);
        for (int kind = 0; kind < 4; ++kind) {
            if (candidate == marks[kind] && !(kind == kClosingSingle && IsApostrophe(at))) {
                marks_.push_back({at, kind});
                break;
            }
        }
        ++at;
    }
}

bool QuotePairing::IsApostrophe(std::size_t at) const {
    if (direction_ != ScriptDirection::ToTraditional || at == 0 || at + kMarkSize >= text_.size()) {
        return false;
    }
    const auto byte = [this](std::size_t i) { return static_cast<unsigned char>(text_[i]); };
    const bool letterBefore = IsAsciiLetterOrDigit(byte(at - 1)) ||
                              (at >= 2 && IsLatinLetter(byte(at - 2), byte(at - 1)));
    const std::size_t next = at + kMarkSize;
    const bool letterAfter = IsAsciiLetterOrDigit(byte(next)) ||
                             (next + 1 < text_.size() && IsLatinLetter(byte(next), byte(next + 1)));
    return letterBefore && letterAfter;
}

void QuotePairing::EndParagraph(TextRewriter& rewriter) {
    const std::array<std::string_view, 4>& target = TargetMarks(direction_);
    for (std::size_t i = 0; i < marks_.size(); ++i) {
        const int kind = marks_[i].kind;
        std::vector<std::size_t>& same = open_[kind / 2];
        if (kind % 2 == 0) {
            same.push_back(i);
            continue;
        }
        if (same.empty()) {
            continue;  // no partner
        }
        // A closing mark pairs with the nearest unclosed opening of its kind; openings of the
        // other kind inside that pair have no partner.
        const Mark opening = marks_[same.back()];
        same.pop_back();
        std::vector<std::size_t>& other = open_[1 - kind / 2];
        while (!other.empty() && marks_[other.back()].at > opening.at) {
            other.pop_back();
        }
        rewriter.Replace(opening.at, opening.at + kMarkSize, target[opening.kind]);
        rewriter.Replace(marks_[i].at, marks_[i].at + kMarkSize, target[kind]);
    }
    marks_.clear();
    open_[0].clear();
    open_[1].clear();
}

}  // namespace text
