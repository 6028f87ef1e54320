#pragma once

#include <string>

namespace platform {

// While it lives, what the process writes to standard output goes to standard error instead
// (or nowhere), and only WriteLine reaches the real standard output: a front end keeps its own
// lines apart from the diagnostics that the file routines print.
class StandardOutputDiversion {
  public:
    // keepDiagnostics false: what goes to standard output is dropped.
    explicit StandardOutputDiversion(bool keepDiagnostics = true);
    StandardOutputDiversion(const StandardOutputDiversion&) = delete;
    StandardOutputDiversion& operator=(const StandardOutputDiversion&) = delete;
    ~StandardOutputDiversion();

    // Writes text and a line feed to the real standard output; false when the write failed.
    bool WriteLine(const std::string& text);

  private:
    int realOutput_ = -1;
};

}  // namespace platform
