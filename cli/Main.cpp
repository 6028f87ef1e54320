#include <unistd.h>

#include <cstdio>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "book/BatchRunner.hpp"
#include "book/BookConverter.hpp"
#include "book/UserPhraseFiles.hpp"
#include "cli/CliOptions.hpp"
#include "cli/CliReport.hpp"
#include "platform/File.hpp"
#include "platform/InterruptWatch.hpp"

namespace {

// Writes line and a line feed to standard output at once, so it keeps its place among the lines
// on standard error.
void WriteStatusLine(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

BatchOptions BatchOptionsOf(const CliOptions& options,
                            std::shared_ptr<const text::UserPhrases> phrases) {
    BatchOptions batch;
    batch.job.userPhrases = std::move(phrases);
    batch.job.archiverPath = options.archiverPath;
    batch.job.builtinZip = options.builtinZip;
    batch.job.profile = options.profile;
    batch.job.fontRule = options.fontRule;
    batch.job.report = options.report;
    batch.job.conventions = options.conventions;
    batch.job.tableCacheFolder = PerUserCacheFolder();
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
    // An unusable phrase file stops everything before any book is touched.
    UserPhrasesRead phrases = ReadUserPhrases(PhraseFilesOf(options, PerUserPhraseFile()));
    if (phrases.error) {
        std::fputs(("corvela-cli: " + DescribePhraseFileError(*phrases.error) + "\n").c_str(),
                   stderr);
        return 2;
    }
    platform::ReportFileSizeLimitAsError();
    std::stop_source stop;
    platform::InterruptWatch interrupts(stop);
    CBookConverter job;
    CCliReport report(options.books, options.verbosity, ::isatty(STDERR_FILENO) == 1,
                      WriteStatusLine);
    CBatchRunner(job, BatchOptionsOf(options, std::move(phrases.phrases)))
        .Run(options.books, report.Callbacks(), stop.get_token());
    return report.Finish();
}
