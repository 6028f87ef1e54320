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

#include "book/tree/ParallelTasks.hpp"
#include "platform/FileSystem.hpp"
#include "text/profile/ConversionProfile.hpp"

namespace {

constexpr const char* kOutputTail = "_corvela.epub";
constexpr const char* kSameOutput = "输出文件与前一本书相同，无法处理";

// One spelling per place: absolute, without "." and "..", with the links of its existing part
// resolved, so "a.epub" and "./x/../a.EPUB"'s outputs compare as what they are.
std::string NormalisedPath(const std::string& path) {
    const std::filesystem::path absolute(platform::AbsolutePath(path));
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal().string() : resolved.string();
}

bool SamePlace(const std::string& a, const std::string& normalisedA, const std::string& b,
               const std::string& normalisedB) {
    return normalisedA == normalisedB || platform::SameFile(a, b);
}

// What a batch knows before any job runs: where each book goes, which books end without a job
// (refused because an earlier book writes their output, or failed with the batch), and which
// must wait for an earlier book because one writes what the other reads (so N at a time make
// what one at a time makes).
struct BatchPlan {
    std::vector<std::string> outputs;
    std::vector<std::optional<BookOutcome>> endsEarly;
    std::vector<std::vector<std::size_t>> waitsFor;
};

BatchPlan PlanBatch(const std::vector<std::string>& books, std::vector<std::string> outputs) {
    BatchPlan plan{std::move(outputs), std::vector<std::optional<BookOutcome>>(books.size()),
                   std::vector<std::vector<std::size_t>>(books.size())};
    std::vector<std::string> sources, targets;
    for (std::size_t i = 0; i < books.size(); ++i) {
        sources.push_back(NormalisedPath(books[i]));
        targets.push_back(NormalisedPath(plan.outputs[i]));
    }
    for (std::size_t i = 0; i < books.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (SamePlace(plan.outputs[i], targets[i], plan.outputs[j], targets[j])) {
                plan.endsEarly[i] = BookOutcome::Refused(kSameOutput);
            }
            if (SamePlace(books[i], sources[i], plan.outputs[j], targets[j]) ||
                SamePlace(plan.outputs[i], targets[i], books[j], sources[j])) {
                plan.waitsFor[i].push_back(j);
            }
        }
    }
    return plan;
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
        EndSignal.notify_all();
        if (Callbacks.bookFinished) {
            Callbacks.bookFinished(book, Outcomes[book]);
        }
        for (; NextInOrder < Ended.size() && Ended[NextInOrder]; ++NextInOrder) {
            if (Callbacks.resultInOrder) {
                Callbacks.resultInOrder(NextInOrder, Outcomes[NextInOrder]);
            }
        }
    }

    // Returns once every book in books has ended.
    void WaitFor(const std::vector<std::size_t>& books) {
        std::unique_lock lock(Mutex);
        EndSignal.wait(lock, [&] {
            return std::all_of(books.begin(), books.end(), [&](std::size_t b) { return Ended[b]; });
        });
    }

    std::vector<BookOutcome> TakeOutcomes() { return std::move(Outcomes); }

  private:
    const BatchCallbacks& Callbacks;
    std::mutex Mutex;
    std::condition_variable EndSignal;
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

// Loads the profile's converter, with the user's phrases, into options once for the batch; when
// it cannot be loaded, every book fails with the reason.
void LoadSharedConverter(JobOptions& options, BatchPlan& plan) {
    text::LoadedConverter loaded = text::LoadConverter(
        options.profile, options.userPhrases, options.tableCacheFolder, options.diagnostic);
    options.converter = loaded.converter;
    if (!loaded.converter) {
        const std::string why = "无法载入转换方式 " +
                                std::string(text::InfoOf(options.profile).name) + "：" +
                                loaded.error;
        std::fill(plan.endsEarly.begin(), plan.endsEarly.end(), BookOutcome::Failed(why));
    }
}

// The threads of each book's text step when books are converted at a time within budget
// (0: one per hardware thread).
unsigned WorkersPerBook(unsigned budget, std::size_t books) {
    const std::size_t threads = budget > 0 ? budget : WorkerCount();
    return static_cast<unsigned>(
        std::max<std::size_t>(1, threads / std::max<std::size_t>(books, 1)));
}

// Runs work on count threads, the calling thread one of them, and returns when all are done.
void RunOnThreads(std::size_t count, const std::function<void()>& work) {
    std::vector<std::jthread> helpers;
    for (std::size_t k = 1; k < count; ++k) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer threads: the calling thread still does whatever is left
        }
    }
    work();
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
    BatchPlan plan = PlanBatch(books, std::move(outputs));
    JobOptions shared = Options.job;
    if (!shared.converter && !books.empty()) {
        LoadSharedConverter(shared, plan);
    }
    const std::size_t atATime = std::min<std::size_t>(std::max(Options.jobs, 1u), books.size());
    shared.workers = WorkersPerBook(Options.threadBudget, atATime);

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
            report.Finished(i, BookOutcome::Stopped());
            return;
        }
        // Books are taken in order, so the earlier books waited for are running or done.
        report.WaitFor(plan.waitsFor[i]);
        report.Finished(i, plan.endsEarly[i]
                               ? *plan.endsEarly[i]
                               : Job.ConvertBook(options, books[i], plan.outputs[i], stop));
        Rest(Options.pauseAfterBook, stop);
    };
    const auto work = [&] {
        for (std::size_t i; (i = next++) < books.size();) {
            convertBook(i);
        }
    };
    RunOnThreads(atATime, work);
    return report.TakeOutcomes();
}
