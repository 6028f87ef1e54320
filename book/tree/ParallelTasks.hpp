#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

// A task of a batch: the reason it failed, or nullopt.
using IndexedTask = std::function<std::optional<std::string>(std::size_t index)>;

// Runs task(i) for every i below count on up to workers threads (the calling thread alone when
// one is enough). No task starts after a stop request or a failure. Returns the failure of the
// lowest index that failed, nullopt when none did; a task must not throw.
std::optional<std::string> RunTasks(std::size_t count, unsigned workers, std::stop_token stop,
                                    const IndexedTask& task);

// The threads the text step uses: one per hardware thread, at least one.
unsigned WorkerCount();
