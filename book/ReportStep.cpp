#include "book/ReportStep.hpp"

#include <algorithm>
#include <vector>

#include "book/tree/ContentStep.hpp"
#include "platform/File.hpp"
#include "text/profile/ConversionProfile.hpp"

namespace {

std::vector<std::string> OptionsOf(const JobOptions& options) {
    std::vector<std::string> shown;
    if (options.fontRule) {
        shown.emplace_back("字型規則");
    }
    if (options.conventions.quotes) {
        shown.emplace_back("引號");
    }
    if (options.conventions.layout != text::PageLayout::AsBook) {
        shown.emplace_back(options.conventions.layout == text::PageLayout::Vertical ? "直排"
                                                                                    : "橫排");
    }
    if (options.userPhrases && !options.userPhrases->Empty()) {
        shown.emplace_back("自訂詞語");
    }
    if (options.builtinZip) {
        shown.emplace_back("內建封裝");
    }
    return shown;
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool HasFontFilesUnder(const std::string& root) {
    const std::vector<std::string> files = FilesUnder(root);
    return std::any_of(files.begin(), files.end(),
                       [](const std::string& path) { return IsFontFileName(FileNameOf(path)); });
}

void AddFontsUnder(const std::string& root, BookReport& report) {
    for (const std::string& path : FilesUnder(root)) {
        if (IsFontFileName(FileNameOf(path))) {
            // A font that cannot be read is told in the report as one the book lacks.
            if (std::optional<std::string> bytes = platform::ReadWholeFile(path)) {
                report.AddFont(path.substr(root.size() + 1), std::move(*bytes));
            }
        }
    }
}

void WriteBookReport(const JobOptions& options, const std::string& book, const std::string& output,
                     std::chrono::steady_clock::time_point start, BookReport& report,
                     BookOutcome& outcome) {
    report.Finish();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const ReportSummary summary{FileNameOf(book), std::string(text::InfoOf(options.profile).name),
                                OptionsOf(options), elapsed.count()};
    const std::string path = ReportPathFor(output);
    outcome.uncertain = report.UncertainCount();
    outcome.missingGlyphs = report.MissingGlyphCount();
    if (std::optional<std::string> problem = WriteReport(path, summary, report)) {
        outcome.reportProblem = std::move(*problem);
    } else {
        outcome.reportPath = path;
    }
}
