#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "book/report/FontUse.hpp"
#include "book/tree/TextFileRewrite.hpp"
#include "text/convert/UncertainPlaces.hpp"

// What one book's proofreading report holds: the uncertain choices of its conversion and the
// glyphs its embedded fonts lack.
struct ReportPlace {
    std::string file;  // the path in the book
    std::string before, text, after;
};

struct UncertainGroup {
    const text::UncertainChoice* choice = nullptr;  // the converter's, alive for the batch
    std::size_t count = 0;
    std::vector<ReportPlace> places;  // the first few
};

struct ReportSummary {
    std::string book;     // the book's file name
    std::string profile;  // its name
    std::vector<std::string> options;
    double seconds = 0;
};

// Gathers one book's report while its job runs: the text step tells every text file (on its
// workers), the job adds the font files; Finish orders what was gathered.
class BookReport final : public TextStepWatch {
  public:
    void Converted(const std::string& shownName, text::BookTextKind kind, std::string_view after,
                   const text::UncertainPlaces& places) override;
    // Whether the book embeds fonts, told before the text step: only then are the converted
    // texts kept for the font check (a copy of the book's text otherwise spent for nothing).
    void ExpectFonts(bool expected) { keepTexts_ = expected; }
    // A font file of the book, by its path in the book.
    void AddFont(const std::string& path, std::string bytes);

    // Merges the files' findings (in the order of their paths) and checks the fonts.
    void Finish();

    const std::vector<UncertainGroup>& Uncertain() const { return uncertain_; }
    std::size_t UncertainCount() const;
    const std::vector<FontFinding>& Fonts() const { return fonts_; }
    std::size_t MissingGlyphCount() const;
    std::size_t FilesConverted() const { return filesConverted_; }
    std::size_t CharactersChanged() const { return charactersChanged_; }

  private:
    struct FileFindings {
        std::vector<UncertainGroup> groups;
        text::BookTextKind kind = text::BookTextKind::PlainText;
        std::string text;  // markup and stylesheets, converted: what the fonts must show
    };

    std::mutex mutex_;
    std::map<std::string, FileFindings> files_;
    std::map<std::string, std::string> fontFiles_;
    bool keepTexts_ = true;
    std::size_t filesConverted_ = 0;
    std::size_t charactersChanged_ = 0;
    std::vector<UncertainGroup> uncertain_;
    std::vector<FontFinding> fonts_;
};

// The report's file for the output at outputPath: NAME.report.html for NAME.epub.
std::string ReportPathFor(const std::string& outputPath);

// Writes the report whole to path; the reason a user can read when it cannot be written.
std::optional<std::string> WriteReport(const std::string& path, const ReportSummary& summary,
                                       const BookReport& report);
