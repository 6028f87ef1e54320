#pragma once

#include <stop_token>
#include <thread>

namespace platform {

// While it lives, SIGINT, SIGTERM and SIGHUP no longer end the process: they request a stop on
// the given source instead, so a running job can leave the book as it was. Construct it before
// any other thread starts (the signals, and SIGUSR1 that it uses itself, are blocked in the
// threads started later).
class InterruptWatch {
  public:
    explicit InterruptWatch(std::stop_source stop);
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
    ~InterruptWatch();

  private:
    std::jthread watcher_;
};

}  // namespace platform
