#include "platform/InterruptWatch.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// True once stop is requested; false when that has not happened after a minute (a guard
// against a hang, not a measure of speed).
bool StopArrives(std::stop_source& stop) {
    std::mutex mutex;
    std::condition_variable arrived;
    bool requested = false;
    const std::stop_callback callback(stop.get_token(), [&] {
        const std::lock_guard lock(mutex);
        requested = true;
        arrived.notify_all();
    });
    std::unique_lock lock(mutex);
    return arrived.wait_for(lock, std::chrono::minutes(1), [&] { return requested; });
}

// Each signal that would end the program becomes a stop request, and the program lives on.
TEST(InterruptWatchTest, TurnsInterruptTerminateAndHangUpIntoAStopRequest) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::stop_source stop;
        const platform::InterruptWatch watch(stop);
        ASSERT_EQ(::kill(::getpid(), signal), 0);
        EXPECT_TRUE(StopArrives(stop)) << ::strsignal(signal);
    }
}

TEST(InterruptWatchTest, EndsWithoutAStopRequestAndGivesTheSignalsBack) {
    std::stop_source stop;
    { const platform::InterruptWatch watch(stop); }
    EXPECT_FALSE(stop.stop_requested());
    sigset_t blocked;
    ::pthread_sigmask(SIG_BLOCK, nullptr, &blocked);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        EXPECT_EQ(::sigismember(&blocked, signal), 0) << ::strsignal(signal);
    }
}

}  // namespace
