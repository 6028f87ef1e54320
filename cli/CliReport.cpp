#include "cli/CliReport.hpp"

#include <cstdio>
#include <utility>

namespace {

constexpr const char* kConverted = "处理完毕";
constexpr const char* kNotConverted = "未处理";

void WriteError(const std::string& line) {
    std::fputs((line + "\n").c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

std::string BatchSummary(std::size_t converted, std::size_t notConverted, double seconds) {
    char time[32];
    std::snprintf(time, sizeof time, "%.1f", seconds);
    return std::to_string(converted) + " 本处理完毕，" + std::to_string(notConverted) +
           " 本未处理，用时 " + time + " 秒";
}

CCliReport::CCliReport(const std::vector<std::string>& books, Verbosity verbosity, bool terminal,
                       LineWriter writeStatus)
    : Books(books),
      Quiet(verbosity == Verbosity::Quiet),
      Verbose(verbosity == Verbosity::Verbose),
      WriteStatus(std::move(writeStatus)),
      Progress(books.size(), terminal && !Quiet) {}

BatchCallbacks CCliReport::Callbacks() {
    BatchCallbacks callbacks;
    callbacks.bookStarting = [this](std::size_t book, JobOptions& options) {
        Progress.Started(book, Books[book]);
        if (Verbose) {
            options.diagnostic = [this, book](std::string_view line) {
                Progress.Around(
                    [&] { WriteError("corvela-cli: " + Books[book] + ": " + std::string(line)); });
            };
        }
        return true;
    };
    callbacks.bookFinished = [this](std::size_t book, const BookOutcome&) {
        Progress.Finished(book);
    };
    callbacks.resultInOrder = [this](std::size_t book, const BookOutcome& outcome) {
        Progress.Around([&] { Report(book, outcome); });
    };
    return callbacks;
}

void CCliReport::Report(std::size_t book, const BookOutcome& outcome) {
    const bool converted = outcome.IsConverted();
    ++(converted ? Converted : NotConverted);
    WriteStatus(std::string(converted ? kConverted : kNotConverted) + "\t" + Books[book]);
    if (!converted && !Quiet) {
        WriteError("corvela-cli: " + Books[book] + ": " + outcome.reason);
    }
    if (!outcome.reportProblem.empty()) {
        ++ReportsLost;
        if (!Quiet) {
            WriteError("corvela-cli: " + Books[book] + ": " + outcome.reportProblem);
        }
    } else if (Verbose && !outcome.reportPath.empty()) {
        WriteError("corvela-cli: " + Books[book] + ": 校对报告 " + outcome.reportPath +
                   "：不确定的转换 " + std::to_string(outcome.uncertain) + " 处，字体缺字 " +
                   std::to_string(outcome.missingGlyphs) + " 处");
    }
}

int CCliReport::Finish() {
    const double seconds = std::chrono::duration<double>(Progress.Elapsed()).count();
    if (!Quiet) {
        Progress.Around([&] { WriteError(BatchSummary(Converted, NotConverted, seconds)); });
    }
    return NotConverted == 0 && ReportsLost == 0 ? 0 : 1;
}
