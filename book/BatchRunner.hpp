#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "book/BookConverter.hpp"
#include "book/BookOutcome.hpp"
#include "book/JobOptions.hpp"

// What a batch asks for beyond each book's job.
struct BatchOptions {
    JobOptions job;                               // its workers are the batch's to set
    unsigned jobs = 1;                            // books converted at a time
    std::string outputFolder;                     // empty: each output beside its book
    std::chrono::milliseconds pauseAfterBook{0};  // rest of a worker after each book's report
    // The threads the batch may keep busy (0: one per hardware thread): each of the books
    // converted at a time gets an equal share for its text step, at least one thread, so books
    // times workers stay within the larger of the budget and jobs.
    unsigned threadBudget = 0;
};

// What a batch tells its front end. The callbacks are called on the batch's threads, one at a
// time; any of them may be empty.
struct BatchCallbacks {
    // Before a book's job, with the options it will run with (a front end may change them for
    // this book). Returning false skips the book, which then ends as stopped.
    std::function<bool(std::size_t book, JobOptions& options)> bookStarting;
    // After a book's job, in the order the jobs end.
    std::function<void(std::size_t book, const BookOutcome& outcome)> bookFinished;
    // Each book's outcome in the order the books were given, as soon as every earlier book has
    // been reported.
    std::function<void(std::size_t book, const BookOutcome& outcome)> resultInOrder;
};

// Runs one book job per book, a given number at a time. The job object holds no state, so
// every worker shares it; the profile's converter is loaded once for the whole batch.
class CBatchRunner {
  public:
    // job must outlive the runner.
    CBatchRunner(CBookConverter& job, BatchOptions options);

    // Where book's output goes: "_corvela.epub" in place of its extension beside it, or the
    // same file name in the output folder.
    std::string OutputPathOf(const std::string& book) const;

    // Converts books and returns their outcomes in the given order. A stop request ends the
    // running jobs; books not yet started end as stopped without running.
    std::vector<BookOutcome> Run(const std::vector<std::string>& books,
                                 const BatchCallbacks& callbacks, std::stop_token stop);

  private:
    CBookConverter& Job;
    BatchOptions Options;
};
