#include "book/report/BookReport.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "book/report/ReportHtml.hpp"
#include "platform/ErrorReason.hpp"
#include "platform/ReplacementFile.hpp"

namespace {

bool IsContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// By the lead byte's high four bits, without a branch.
std::size_t CharacterLength(unsigned char lead) {
    static constexpr unsigned char kLengths[16] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 3, 4};
    return kLengths[lead >> 4];
}

// How many bytes from the starts of a and b agree, at most limit: a word at a time, the first
// difference being the lowest differing byte in memory order.
std::size_t AgreeingBytes(const char* a, const char* b, std::size_t limit) {
    std::size_t agreed = 0;
    for (; agreed + 8 <= limit; agreed += 8) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, a + agreed, 8);
        std::memcpy(&y, b + agreed, 8);
        if (const std::uint64_t differ = x ^ y; differ != 0) {
            const int bits = std::endian::native == std::endian::little ? std::countr_zero(differ)
                                                                        : std::countl_zero(differ);
            return agreed + static_cast<std::size_t>(bits) / 8;
        }
    }
    while (agreed < limit && a[agreed] == b[agreed]) {
        ++agreed;
    }
    return agreed;
}

// Conversion keeps tags and line ends: where the two texts meet again after a phrase of
// another length.
bool IsMeetingPoint(char byte) {
    return byte == '<' || byte == '\n';
}

// Moves at to the next meeting point of text; the characters passed.
std::size_t PassToMeetingPoint(std::string_view text, std::size_t& at) {
    std::size_t characters = 0;
    for (; at < text.size() && !IsMeetingPoint(text[at]); ++at) {
        characters += IsContinuation(text[at]) ? 0 : 1;
    }
    return characters;
}

// The characters of after that differ from those of before at the same place, a character at a
// time: words of eight agreeing bytes are skipped whole (back to the start of the character
// the last one ends in), and the two texts go on in step after each differing character; out of
// step, the longer side's characters up to the next tag or line end count as changed.
std::size_t CharactersChangedInStep(std::string_view before, std::string_view after) {
    std::size_t changed = 0;
    std::size_t a = 0;
    std::size_t b = 0;
    while (a < before.size() && b < after.size()) {
        const std::size_t agreed = AgreeingBytes(before.data() + a, after.data() + b,
                                                 std::min(before.size() - a, after.size() - b));
        a += agreed;
        b += agreed;
        if (a == before.size() || b == after.size()) {
            break;
        }
        while (a > 0 && b > 0 && IsContinuation(before[a]) && IsContinuation(after[b])) {
            --a;  // back to the start of the character that differs
            --b;
        }
        if (IsMeetingPoint(before[a]) != IsMeetingPoint(after[b])) {
            changed += IsMeetingPoint(before[a]) ? PassToMeetingPoint(after, b)
                                                 : PassToMeetingPoint(before, a);
            continue;
        }
        ++changed;
        a += CharacterLength(static_cast<unsigned char>(before[a]));
        b += CharacterLength(static_cast<unsigned char>(after[b]));
    }
    return changed;
}

std::vector<UncertainGroup> GroupsOf(const std::string& file, const text::UncertainPlaces& places) {
    std::vector<UncertainGroup> groups;
    for (const text::UncertainPlaces::Group& group : places.Groups()) {
        if (group.count == 0) {
            continue;
        }
        UncertainGroup copy{group.choice, group.count, {}};
        for (const text::UncertainPlaces::Place& place : group.places) {
            copy.places.push_back({file, place.before, group.choice->source, place.after});
        }
        groups.push_back(std::move(copy));
    }
    return groups;
}

}  // namespace

void BookReport::Converted(const std::string& shownName, text::BookTextKind kind,
                           std::string_view before, std::string_view after,
                           const text::UncertainPlaces& places) {
    FileFindings findings{GroupsOf(shownName, places), kind, {}};
    if (keepTexts_ && kind != text::BookTextKind::PlainText) {
        findings.text = after;
    }
    const std::size_t changed = CharactersChangedInStep(before, after);
    const std::lock_guard lock(mutex_);
    ++filesConverted_;
    charactersChanged_ += changed;
    files_[shownName] = std::move(findings);
}

void BookReport::AddFont(const std::string& path, std::string bytes) {
    const std::lock_guard lock(mutex_);
    fontFiles_[path] = std::move(bytes);
}

void BookReport::Finish() {
    std::map<const text::UncertainChoice*, UncertainGroup> merged;
    std::vector<BookText> texts;
    for (auto& [file, findings] : files_) {
        for (UncertainGroup& group : findings.groups) {
            UncertainGroup& into = merged[group.choice];
            into.choice = group.choice;
            into.count += group.count;
            for (ReportPlace& place : group.places) {
                if (into.places.size() < text::UncertainPlaces::kPlacesKept) {
                    into.places.push_back(std::move(place));
                }
            }
        }
        if (findings.kind != text::BookTextKind::PlainText) {
            texts.push_back(
                {file, findings.kind == text::BookTextKind::Stylesheet, std::move(findings.text)});
        }
    }
    uncertain_.clear();
    for (auto& [choice, group] : merged) {
        uncertain_.push_back(std::move(group));
    }
    // Most frequent first; among equals, by source text, so the report reads the same each run.
    std::sort(uncertain_.begin(), uncertain_.end(), [](const auto& a, const auto& b) {
        return a.count != b.count ? a.count > b.count : a.choice->source < b.choice->source;
    });
    fonts_ = CheckFonts(texts, fontFiles_);
}

std::size_t BookReport::UncertainCount() const {
    std::size_t count = 0;
    for (const UncertainGroup& group : uncertain_) {
        count += group.count;
    }
    return count;
}

std::size_t BookReport::MissingGlyphCount() const {
    std::size_t count = 0;
    for (const FontFinding& font : fonts_) {
        for (const MissingGlyph& missing : font.missing) {
            count += missing.count;
        }
    }
    return count;
}

std::string ReportPathFor(const std::string& outputPath) {
    const std::size_t slash = outputPath.rfind('/');
    const std::size_t dot = outputPath.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? outputPath.substr(0, dot) : outputPath) + ".report.html";
}

std::optional<std::string> WriteReport(const std::string& path, const ReportSummary& summary,
                                       const BookReport& report) {
    const std::string html = ReportHtml(summary, report);
    platform::ReplacementFile file(path);
    if (file.Opened() && file.Write(html.data(), html.size()) && file.Commit()) {
        return std::nullopt;
    }
    return platform::ReasonOf("无法写出校对报告 " + path, file.Error());
}
