#pragma once

// The one-line diagnostics of the file routines, on standard output.
namespace text {

// Prints the formatted line to standard output and flushes it at once, so that lines without
// a line break are not held back and lines reach a redirected output in order.
[[gnu::format(printf, 1, 2)]] void PrintDiagnostic(const char* format, ...);

}  // namespace text
