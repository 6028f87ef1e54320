#pragma once

#include <string>

// What one book's job has made beside the book: the archive's second name, the unpack folder and
// the folder of the output while it is packed. Whatever is still recorded is removed when the
// object goes away, so every way out of the job (failure, stop) leaves the book as it was.
class JobScratch {
  public:
    JobScratch() = default;
    JobScratch(const JobScratch&) = delete;
    JobScratch& operator=(const JobScratch&) = delete;
    ~JobScratch();

    // Records the second name of the book; RemoveArchiveName or the end removes it.
    void SetArchiveName(const std::string& path) { archiveName_ = path; }
    // Removes the recorded second name of the book at once.
    void RemoveArchiveName();
    // Records the unpack folder that the job created.
    void SetUnpackFolder(const std::string& path) { unpackFolder_ = path; }
    // Records the folder that holds the output while it is packed.
    void SetPartialFolder(const std::string& path) { partialFolder_ = path; }

    const std::string& UnpackFolder() const { return unpackFolder_; }

  private:
    std::string archiveName_;
    std::string unpackFolder_;
    std::string partialFolder_;
};
