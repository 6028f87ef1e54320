#include "platform/InterruptWatch.hpp"

#include <pthread.h>
#include <signal.h>

#include <ctime>
#include <utility>

namespace platform {

namespace {

// The watcher's own wake-up call when the watch ends.
constexpr int kWakeSignal = SIGUSR1;

sigset_t WatchedSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, kWakeSignal);
    return signals;
}

void Watch(std::stop_token end, std::stop_source stop) {
    const sigset_t signals = WatchedSignals();
    // The time-out is a safety net only: the end sends the wake-up signal.
    const timespec pause{1, 0};
    while (!end.stop_requested()) {
        const int received = ::sigtimedwait(&signals, nullptr, &pause);
        if (received > 0 && received != kWakeSignal) {
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
    ::pthread_kill(watcher_.native_handle(), kWakeSignal);
    watcher_.join();
    const sigset_t signals = WatchedSignals();
    ::pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
}

}  // namespace platform
