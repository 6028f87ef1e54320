#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "book/BatchRunner.hpp"
#include "cli/CliOptions.hpp"
#include "cli/CliProgress.hpp"

// What the command line tells about a batch: a status line per book on standard output, in the
// order given ("处理完毕" or "未处理", a tab, the path); on standard error, unless quiet, the
// reason of each book not converted, the progress on a terminal and a summary at the end, and
// when verbose the job's diagnostics.
class CCliReport {
  public:
    using LineWriter = std::function<void(const std::string&)>;

    // books must outlive the report; writeStatus writes one line to standard output.
    CCliReport(const std::vector<std::string>& books, Verbosity verbosity, bool terminal,
               LineWriter writeStatus);

    // The callbacks that feed this report.
    BatchCallbacks Callbacks();
    // Writes the summary ("n 本处理完毕，m 本未处理" and the time) unless quiet; returns the exit
    // status: 0 when every book was converted (with its report, when asked), 1 otherwise.
    int Finish();

  private:
    void Report(std::size_t book, const BookOutcome& outcome);

    const std::vector<std::string>& Books;
    const bool Quiet;
    const bool Verbose;
    LineWriter WriteStatus;
    CCliProgress Progress;
    std::size_t Converted = 0;
    std::size_t NotConverted = 0;
    std::size_t ReportsLost = 0;  // converted books whose report could not be written
};

// The summary of a batch: "n 本处理完毕，m 本未处理，用时 s 秒".
std::string BatchSummary(std::size_t converted, std::size_t notConverted, double seconds);
