#include "platform/StandardOutputDiversion.hpp"

#include "platform/File.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform {

StandardOutputDiversion::StandardOutputDiversion(bool keepDiagnostics) {
    std::fflush(stdout);
    realOutput_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (realOutput_ < 0) {
        return;
    }
    const int nowhere = keepDiagnostics ? -1 : ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    // Without /dev/null the diagnostics still stay off the real standard output.
    const int target = nowhere >= 0 ? nowhere : STDERR_FILENO;
    if (::dup2(target, STDOUT_FILENO) < 0) {
        ::close(realOutput_);
        realOutput_ = -1;
    }
    if (nowhere >= 0) {
        ::close(nowhere);
    }
}

StandardOutputDiversion::~StandardOutputDiversion() {
    if (realOutput_ >= 0) {
        std::fflush(stdout);
        ::dup2(realOutput_, STDOUT_FILENO);
        ::close(realOutput_);
    }
}

bool StandardOutputDiversion::WriteLine(const std::string& text) {
    const int target = realOutput_ >= 0 ? realOutput_ : STDOUT_FILENO;
    const std::string line = text + "\n";
    return WriteAll(target, line.data(), line.size()) == line.size();
}

}  // namespace platform
