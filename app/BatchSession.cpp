#include "app/BatchSession.hpp"

#include <QMetaObject>
#include <QObject>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <utility>

#include "app/Resource.hpp"
#include "app/UiCall.hpp"
#include "book/BatchRunner.hpp"
#include "book/UserPhraseFiles.hpp"

using namespace resource;

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace

CBatchSession::CBatchSession(QObject& window, CUserPrompts& prompts,
                             std::chrono::milliseconds bookPause, BatchReports reports)
    : Window(window), Prompts(prompts), BookPause(bookPause), Reports(std::move(reports)) {}

CBatchSession::~CBatchSession() {
    Stop();
}

bool CBatchSession::Start(std::vector<std::string> books, ConversionChoice choice,
                          std::shared_ptr<const text::UserPhrases> phrases) {
    if (WaiterThread.joinable()) {
        WaiterThread.join();
    }
    BatchStop = std::stop_source();
    const std::stop_token stop = BatchStop.get_token();
    try {
        WorkerThread = std::jthread(
            [this, stop, books = std::move(books), choice, phrases = std::move(phrases)]() mutable {
                BatchWorker(stop, std::move(books), choice, std::move(phrases));
            });
    } catch (const std::system_error&) {
        return false;
    }
    Running = true;
    try {
        WaiterThread = std::jthread([this, stop] { BatchWaiter(stop); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CBatchSession::BatchWorker(std::stop_token stop, std::vector<std::string> books,
                                ConversionChoice choice,
                                std::shared_ptr<const text::UserPhrases> phrases) {
    BatchOptions options;
    options.pauseAfterBook = BookPause;
    options.job.profile = choice.profile;
    options.job.fontRule = choice.fontRule;
    options.job.conventions = {choice.quotes, choice.layout};
    options.job.userPhrases = std::move(phrases);
    options.job.builtinZip = choice.builtinZip;
    options.job.report = choice.report;
    options.job.tableCacheFolder = PerUserCacheFolder();
    BatchCallbacks callbacks;
    callbacks.bookStarting = [this, stop](std::size_t book, JobOptions& job) {
        return StartBook(stop, static_cast<int>(book), job);
    };
    callbacks.bookFinished = [this, stop](std::size_t book, const BookOutcome& outcome) {
        // The user sees the job's alert, and closes it, before the row tells the outcome.
        if (!outcome.alert.empty()) {
            ShowJobError(outcome.alert);
        }
        if (!outcome.reportProblem.empty()) {
            ShowJobError(outcome.reportProblem);  // the book is converted all the same
        }
        if (stop.stop_requested()) {
            return;
        }
        CallOnUiThread(&Window, stop, [this, row = static_cast<int>(book), outcome] {
            Reports.setBookStatus(row, Text(outcome.IsConverted() ? kStatusDone : kStatusNotDone),
                                  QString::fromStdString(outcome.reason));
            Reports.setBookReport(row, QString::fromStdString(outcome.reportPath));
            return true;
        });
    };
    CBatchRunner(Converter, options).Run(books, callbacks, stop);
}

// Shows the book's row as being worked on and reads the archiver path box afresh, so a change to
// it counts from the next book on. False when the batch was stopped meanwhile.
bool CBatchSession::StartBook(const std::stop_token& stop, int row, JobOptions& options) {
    const std::optional<std::string> archiver = CallOnUiThread(&Window, stop, [this, row] {
        Reports.setBookStatus(row, Text(kStatusWorking), {});
        Reports.setBookReport(row, {});
        return Reports.archiverPath();
    });
    if (!archiver) {
        return false;
    }
    options.archiverPath = *archiver;
    return true;
}

void CBatchSession::ShowJobError(const std::string& text) {
    const std::stop_token stop = BatchStop.get_token();
    struct Box {
        std::mutex mutex;
        std::condition_variable_any closedSignal;
        bool closed = false;
    };
    auto box = std::make_shared<Box>();
    const auto opened =
        CallOnUiThread(&Window, stop, [this, box, message = QString::fromStdString(text)] {
            Prompts.OpenErrorBox(message, [box] {
                const std::lock_guard lock(box->mutex);
                box->closed = true;
                box->closedSignal.notify_all();
            });
            return true;
        });
    if (!opened) {
        return;
    }
    std::unique_lock lock(box->mutex);
    box->closedSignal.wait(lock, stop, [&] { return box->closed; });
}

void CBatchSession::BatchWaiter(std::stop_token stop) {
    bool waitFailed = false;
    try {
        WorkerThread.join();
    } catch (const std::system_error&) {
        waitFailed = true;
    }
    QMetaObject::invokeMethod(
        &Window,
        [this, stop, waitFailed] {
            if (!stop.stop_requested()) {
                Running = false;
                Reports.batchOver(waitFailed);
            }
        },
        Qt::QueuedConnection);
}

bool CBatchSession::Stop() {
    BatchStop.request_stop();
    Prompts.CloseErrorBoxes();
    if (WaiterThread.joinable()) {
        WaiterThread.join();
    }
    if (WorkerThread.joinable()) {
        WorkerThread.join();
    }
    return std::exchange(Running, false);
}
