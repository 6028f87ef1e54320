#include "book/BatchRunner.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/FileSystem.hpp"
#include "text/ConversionProfile.hpp"

namespace {

constexpr const char* kOutputTail = "_corvela.epub";
constexpr const char* kStopped = "已停止";
constexpr const char* kSameOutput = "输出文件与前一本书相同，无法处理";

// One spelling per place: absolute, without "." and "..", with the links of its existing part
// resolved, so "a.epub" and "./x/../a.EPUB"'s outputs compare as what they are.
std::string NormalisedPath(const std::string& path) {
    const std::filesystem::path absolute(platform::AbsolutePath(path));
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal().string() : resolved.string();
}

// For each output, the refusal of a book whose output an earlier book of the batch writes.
std::vector<std::optional<std::string>> RefuseSharedOutputs(
    const std::vector<std::string>& outputs) {
    std::vector<std::optional<std::string>> refusals(outputs.size());
    std::vector<std::string> normalised;
    for (const std::string& output : outputs) {
        normalised.push_back(NormalisedPath(output));
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (std::size_t earlier = 0; earlier < i && !refusals[i]; ++earlier) {
            if (normalised[i] == normalised[earlier] ||
                platform::SameFile(outputs[i], outputs[earlier])) {
                refusals[i] = kSameOutput;
            }
        }
    }
    return refusals;
}

// Collects the outcomes of a batch and hands them to the front end: every book when it ends, and
// in the given order as soon as the books before it have ended. Calls the callbacks one at a
// time.
class BatchReport {
  public:
    BatchReport(std::size_t books, const BatchCallbacks& callbacks)
        : Callbacks(callbacks), Outcomes(books), Ended(books, false) {}

    bool Starting(std::size_t book, JobOptions& options) {
        const std::lock_guard lock(Mutex);
        return !Callbacks.bookStarting || Callbacks.bookStarting(book, options);
    }

    void Finished(std::size_t book, BookOutcome outcome) {
        const std::lock_guard lock(Mutex);
        Outcomes[book] = std::move(outcome);
        Ended[book] = true;
        if (Callbacks.bookFinished) {
            Callbacks.bookFinished(book, Outcomes[book]);
        }
        for (; NextInOrder < Ended.size() && Ended[NextInOrder]; ++NextInOrder) {
            if (Callbacks.resultInOrder) {
                Callbacks.resultInOrder(NextInOrder, Outcomes[NextInOrder]);
            }
        }
    }

    std::vector<BookOutcome> TakeOutcomes() { return std::move(Outcomes); }

  private:
    const BatchCallbacks& Callbacks;
    std::mutex Mutex;
    std::vector<BookOutcome> Outcomes;
    std::vector<bool> Ended;
    std::size_t NextInOrder = 0;
};

void Rest(std::chrono::milliseconds pause, const std::stop_token& stop) {
    if (pause.count() <= 0) {
        return;
    }
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    never.wait_for(lock, stop, pause, [] { return false; });
}

}  // namespace

CBatchRunner::CBatchRunner(CBookConverter& job, BatchOptions options)
    : Job(job), Options(std::move(options)) {}

std::string CBatchRunner::OutputPathOf(const std::string& book) const {
    if (Options.outputFolder.empty()) {
        std::string output;
        Job.ReplaceExtension(output, book, kOutputTail);
        return output;
    }
    return Options.outputFolder + "/" + std::filesystem::path(book).filename().string();
}

std::vector<BookOutcome> CBatchRunner::Run(const std::vector<std::string>& books,
                                           const BatchCallbacks& callbacks, std::stop_token stop) {
    std::vector<std::string> outputs;
    for (const std::string& book : books) {
        outputs.push_back(OutputPathOf(book));
    }
    std::vector<std::optional<std::string>> refusals = RefuseSharedOutputs(outputs);
    JobOptions shared = Options.job;
    if (!shared.converter && !books.empty()) {
        text::LoadedConverter loaded = text::LoadConverter(shared.profile);
        shared.converter = loaded.converter;
        if (!loaded.converter) {
            const std::string why = "无法载入转换方式 " +
                                    std::string(text::InfoOf(shared.profile).name) + "：" +
                                    loaded.error;
            std::fill(refusals.begin(), refusals.end(), why);
        }
    }

    BatchReport report(books.size(), callbacks);
    std::atomic<std::size_t> next{0};
    const auto convertBook = [&](std::size_t i) {
        JobOptions options = shared;
        const std::filesystem::path folder =
            std::filesystem::path(platform::AbsolutePath(books[i])).parent_path();
        if (!Options.outputFolder.empty() && !platform::CanCreateIn(folder.string())) {
            options.scratchFolder = Options.outputFolder;
        }
        if (stop.stop_requested() || !report.Starting(i, options)) {
            report.Finished(i, BookOutcome::NotConverted(kStopped));
            return;
        }
        report.Finished(i, refusals[i] ? BookOutcome::NotConverted(*refusals[i])
                                       : Job.Convert(options, books[i], outputs[i], stop));
        Rest(Options.pauseAfterBook, stop);
    };
    const auto work = [&] {
        for (std::size_t i; (i = next++) < books.size();) {
            convertBook(i);
        }
    };
    {
        std::vector<std::jthread> helpers;
        const std::size_t wanted = std::min<std::size_t>(std::max(Options.jobs, 1u), books.size());
        for (std::size_t k = 1; k < wanted; ++k) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break;  // fewer threads: the calling thread still converts every book left
            }
        }
        work();
    }
    return report.TakeOutcomes();
}
