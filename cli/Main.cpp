#include <unistd.h>

#include <cstdio>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "book/BatchRunner.hpp"
#include "book/BookConverter.hpp"
#include "cli/CliOptions.hpp"
#include "cli/CliReport.hpp"
#include "platform/File.hpp"
#include "platform/InterruptWatch.hpp"
#include "platform/StandardOutputDiversion.hpp"

namespace {

// The job as the command line runs it: its messages are the books' reasons, which the report
// prints once per book.
class CQuietBookConverter : public CBookConverter {
  public:
    void ShowError(const std::string&) override {}
};

BatchOptions BatchOptionsOf(const CliOptions& options) {
    BatchOptions batch;
    batch.job.archiverPath = options.archiverPath;
    batch.job.profile = options.profile;
    batch.job.fontRule = options.fontRule;
    batch.jobs = options.jobs;
    batch.outputFolder = options.outputDir;
    return batch;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedCli parsed = ParseCliOptions(arguments, std::thread::hardware_concurrency());
    if (!parsed.options) {
        std::fputs(("corvela-cli: " + parsed.error + "\n" + CliUsageLine()).c_str(), stderr);
        return 2;
    }
    const CliOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(CliUsage().c_str(), stdout);
        return 0;
    }
    platform::ReportFileSizeLimitAsError();
    std::stop_source stop;
    platform::InterruptWatch interrupts(stop);
    // The file routines' diagnostics reach standard error only when asked for.
    platform::StandardOutputDiversion output(options.verbosity == Verbosity::Verbose);
    CQuietBookConverter job;
    CCliReport report(options.books, options.verbosity, ::isatty(STDERR_FILENO) == 1,
                      [&output](const std::string& line) { output.WriteLine(line); });
    CBatchRunner(job, BatchOptionsOf(options))
        .Run(options.books, report.Callbacks(), stop.get_token());
    return report.Finish();
}
