#pragma once

#include <functional>
#include <stop_token>
#include <string>

#include "book/BookConverter.hpp"
#include "cli/CliOptions.hpp"

// Converts the books of options one after another, as the window's batch does but without its
// pause, and hands writeLine one status line per book ("处理完毕" or "未处理", a tab, the path).
// A stop request ends the batch after the running book. Returns the exit status: 0 when every
// book was converted, 1 when any was not.
int RunCliBatch(CBookConverter& converter, const CliOptions& options,
                const std::function<void(const std::string&)>& writeLine, std::stop_token stop);
