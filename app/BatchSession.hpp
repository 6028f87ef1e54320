#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "app/ConversionChoice.hpp"
#include "app/UserPrompts.hpp"
#include "book/BookConverter.hpp"
#include "book/JobOptions.hpp"

class QObject;

// What a batch tells the window; each runs on the window's (UI) thread.
struct BatchReports {
    // Writes text into the status column of row, with reason as its tooltip.
    std::function<void(int row, const QString& text, const QString& reason)> setBookStatus;
    // Returns the archiver path box's text as it is now.
    std::function<std::string()> archiverPath;
    // The batch has ended of itself; waitFailed when its worker could not be waited for.
    std::function<void(bool waitFailed)> batchOver;
    // Gives row the report of its book (empty: none).
    std::function<void(int row, const QString& path)> setBookReport;
};

// The window's batches: one at a time, run through CBatchRunner on a worker thread; a waiter
// thread tells the window when the worker is done. Every member is called on the UI thread.
class CBatchSession {
  public:
    // window is the UI thread's object that the reports run in; it and prompts must outlive the
    // session. bookPause is the rest after each book.
    CBatchSession(QObject& window, CUserPrompts& prompts, std::chrono::milliseconds bookPause,
                  BatchReports reports);
    CBatchSession(const CBatchSession&) = delete;
    CBatchSession& operator=(const CBatchSession&) = delete;
    ~CBatchSession();

    // Starts converting books with choice and the user's phrases (null: none), one after
    // another, while no batch runs. Returns false when a thread could not be started: then
    // IsRunning tells whether the worker runs anyway (its end is not reported until Stop).
    bool Start(std::vector<std::string> books, ConversionChoice choice,
               std::shared_ptr<const text::UserPhrases> phrases = nullptr);
    // Returns whether a batch is running.
    bool IsRunning() const { return Running; }
    // Stops the batch, closes its "Error!" boxes and waits for its threads; returns whether a
    // batch was running.
    bool Stop();

  private:
    void BatchWorker(std::stop_token stop, std::vector<std::string> books, ConversionChoice choice,
                     std::shared_ptr<const text::UserPhrases> phrases);
    void BatchWaiter(std::stop_token stop);
    bool StartBook(const std::stop_token& stop, int row, JobOptions& options);
    void ShowJobError(const std::string& text);

    QObject& Window;
    CUserPrompts& Prompts;
    const std::chrono::milliseconds BookPause;
    const BatchReports Reports;
    CBookConverter Converter;
    bool Running = false;
    std::stop_source BatchStop;
    // The waiter joins the worker; the UI thread touches WorkerThread only while no batch runs.
    std::jthread WorkerThread;
    std::jthread WaiterThread;
};
