#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// The progress of a batch as one line on standard error, redrawn in place when a book starts or
// ends and once a second: books ended of all, elapsed time, the books being converted. Draws
// nothing when it is not shown (standard error is no terminal, or quiet).
class CCliProgress {
  public:
    CCliProgress(std::size_t books, bool shown);
    CCliProgress(const CCliProgress&) = delete;
    CCliProgress& operator=(const CCliProgress&) = delete;
    // Stops the clock and clears the line.
    ~CCliProgress();

    // Records that book (its path) is being converted.
    void Started(std::size_t book, const std::string& path);
    // Records that book has ended.
    void Finished(std::size_t book);
    // Runs write with the line cleared and redraws the line after it, so that other output to
    // the terminal never mixes with it.
    void Around(const std::function<void()>& write);
    // The time since the batch began.
    std::chrono::steady_clock::duration Elapsed() const;

  private:
    void Draw();   // with Mutex held
    void Clear();  // with Mutex held
    void Tick(std::stop_token stop);

    const std::size_t Books;
    const bool Shown;
    const std::chrono::steady_clock::time_point Begin = std::chrono::steady_clock::now();
    std::mutex Mutex;
    std::size_t Ended = 0;
    std::map<std::size_t, std::string> Running;  // book number -> file name
    std::condition_variable_any Clock;
    std::jthread Ticker;  // last: it uses everything above
};

// The width of text on a terminal: two columns for East Asian wide characters, one for others.
std::size_t TerminalWidthOf(const std::string& utf8);
// text cut at a character boundary to at most columns terminal columns.
std::string CutToColumns(const std::string& utf8, std::size_t columns);
