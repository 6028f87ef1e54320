#include "platform/InterruptWatch.hpp"

#include <pthread.h>
#include <signal.h>

#include <ctime>
#include <utility>

namespace platform {

namespace {

sigset_t WatchedSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

void Watch(std::stop_token end, std::stop_source stop) {
    const sigset_t signals = WatchedSignals();
    // A short time-out lets the watcher notice its own end.
    const timespec pause{0, 100'000'000};
    while (!end.stop_requested()) {
        if (::sigtimedwait(&signals, nullptr, &pause) > 0) {
            stop.request_stop();
        }
    }
}

}  // namespace

InterruptWatch::InterruptWatch(std::stop_source stop) {
    const sigset_t signals = WatchedSignals();
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    watcher_ = std::jthread(Watch, std::move(stop));
}

InterruptWatch::~InterruptWatch() {
    watcher_.request_stop();
    watcher_.join();
    const sigset_t signals = WatchedSignals();
    ::pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
}

}  // namespace platform
