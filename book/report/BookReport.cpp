#include "book/report/BookReport.hpp"

#include <algorithm>

#include "book/report/ReportHtml.hpp"
#include "platform/ErrorReason.hpp"
#include "platform/ReplacementFile.hpp"

namespace {

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
                           std::string_view after, const text::UncertainPlaces& places) {
    FileFindings findings{GroupsOf(shownName, places), kind, {}};
    if (keepTexts_ && kind != text::BookTextKind::PlainText) {
        findings.text = after;
    }
    const std::lock_guard lock(mutex_);
    ++filesConverted_;
    charactersChanged_ += places.ChangedCharacters();
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
