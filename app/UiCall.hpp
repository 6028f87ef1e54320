#pragma once

#include <QMetaObject>
#include <QObject>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <type_traits>

// Runs call on context's thread and returns its result to the calling worker thread, or nothing
// once stop is requested: the worker never stays blocked on a UI thread that is waiting for it.
// A call still queued when stop is requested, or when context is gone, is skipped.
template <class Call>
auto CallOnUiThread(QObject* context, std::stop_token stop, Call call)
    -> std::optional<std::invoke_result_t<Call>> {
    using Result = std::invoke_result_t<Call>;
    struct Shared {
        std::mutex mutex;
        std::condition_variable_any done;
        std::optional<Result> result;
    };
    auto shared = std::make_shared<Shared>();
    QMetaObject::invokeMethod(
        context,
        [shared, stop, call = std::move(call)]() mutable {
            if (stop.stop_requested()) {
                return;
            }
            Result result = call();
            const std::lock_guard lock(shared->mutex);
            shared->result = std::move(result);
            shared->done.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(shared->mutex);
    shared->done.wait(lock, stop, [&] { return shared->result.has_value(); });
    return std::move(shared->result);
}
