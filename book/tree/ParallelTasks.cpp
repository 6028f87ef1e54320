#include "book/tree/ParallelTasks.hpp"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// The failures met so far, by the index of their task.
class FailureLog {
  public:
    void Add(std::size_t index, std::string reason) {
        std::lock_guard lock(mutex_);
        failures_.emplace(index, std::move(reason));
        failed_ = true;
    }
    bool Any() const { return failed_; }
    std::optional<std::string> First() const {
        std::lock_guard lock(mutex_);
        if (failures_.empty()) {
            return std::nullopt;
        }
        return failures_.begin()->second;
    }

  private:
    mutable std::mutex mutex_;
    std::map<std::size_t, std::string> failures_;
    std::atomic<bool> failed_ = false;
};

}  // namespace

std::optional<std::string> RunTasks(std::size_t count, unsigned workers, std::stop_token stop,
                                    const IndexedTask& task) {
    std::atomic<std::size_t> next = 0;
    FailureLog failures;
    auto work = [&] {
        while (!stop.stop_requested() && !failures.Any()) {
            const std::size_t i = next++;
            if (i >= count) {
                return;
            }
            if (std::optional<std::string> failure = task(i)) {
                failures.Add(i, std::move(*failure));
            }
        }
    };
    const std::size_t threads = std::min<std::size_t>(std::max(workers, 1u), count);
    if (threads <= 1) {
        work();
    } else {
        std::vector<std::jthread> pool;
        try {
            for (std::size_t t = 0; t < threads; ++t) {
                pool.emplace_back(work);
            }
        } catch (const std::system_error&) {
            // Fewer threads than asked for: those that started, or this one, do all the work.
            if (pool.empty()) {
                work();
            }
        }
    }
    return failures.First();
}

unsigned WorkerCount() {
    return std::max(std::thread::hardware_concurrency(), 1u);
}
