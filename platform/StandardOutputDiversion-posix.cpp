#include "platform/StandardOutputDiversion.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform {

StandardOutputDiversion::StandardOutputDiversion() {
    std::fflush(stdout);
    realOutput_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (realOutput_ >= 0 && ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        ::close(realOutput_);
        realOutput_ = -1;
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
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t put = ::write(target, line.data() + done, line.size() - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace platform
