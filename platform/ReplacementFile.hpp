#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/File.hpp"

namespace platform {

// The new content of an existing file, written to a fresh file beside it and put in its place in
// one step, so that a failure at any point (disk full, a file size limit, a crash) leaves the
// original as it was. The fresh file is removed when it is not committed.
class ReplacementFile {
  public:
    // Creates the fresh file in target's folder with target's permission bits (0644 when target
    // does not exist yet); Opened() tells whether that worked.
    explicit ReplacementFile(const std::string& target);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile();

    // True once the fresh file exists; otherwise Error() tells why it does not.
    bool Opened() const { return file_.has_value(); }
    // Appends all count bytes; false when they could not all be written.
    bool Write(const void* data, std::size_t count);
    // Closes the fresh file and renames it over target; false when that fails, and the fresh
    // file is removed then.
    bool Commit();
    // The system error number of the last failure, 0 when there was none.
    int Error() const { return error_; }

  private:
    bool Fail();
    void Discard();

    std::string target_;
    std::string temporary_;  // empty once committed or removed
    std::optional<File> file_;
    int error_ = 0;
};

}  // namespace platform
