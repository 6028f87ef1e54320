#pragma once

#include <sys/resource.h>

#include <csignal>
#include <stdexcept>

namespace text_testing {

// Lowers this process's file-size limit for its lifetime, so that writes past the limit fail
// with a short count even for root; SIGXFSZ is ignored meanwhile. Keep the limit above what
// the test itself writes (captured standard output goes to a file too).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        if (::getrlimit(RLIMIT_FSIZE, &saved_) != 0) {
            throw std::runtime_error("cannot read the file-size limit");
        }
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        if (::setrlimit(RLIMIT_FSIZE, &lowered) != 0) {
            std::signal(SIGXFSZ, previousHandler_);
            throw std::runtime_error("cannot lower the file-size limit");
        }
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

  private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

}  // namespace text_testing
