#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "book/scratch/JobJournal.hpp"
#include "platform/File.hpp"

// What one book's job makes beside the book: the archive's second name, the unpack folder and
// the folder of the output while it is packed. Each entry is recorded in the job's journal
// before it exists; whatever is still there is removed when the object goes away, so every way
// out of the job (failure, stop) leaves the book as it was, and a kill leaves a journal from
// which the next job removes it.
class JobScratch {
  public:
    // Removes what dead jobs left behind (journals beside the scratch in folders included), then
    // starts this job's journal: in the state folder, else beside the scratch in the first of
    // folders. Without a journal the job makes nothing: what a kill left could never be removed.
    explicit JobScratch(const std::vector<std::string>& folders = {});
    JobScratch(const JobScratch&) = delete;
    JobScratch& operator=(const JobScratch&) = delete;
    ~JobScratch();

    // Makes a new folder named wanted or its first free variant; its path, or nullopt with
    // Error() telling why.
    std::optional<std::string> MakeFolder(const std::string& wanted);
    // Gives the file book a second name like wanted (its first free variant before the
    // extension): a copy when copy is set, else a hard link where the file system has them; as
    // MakeFolder. A book that is not a file of its own (a symbolic link) is refused (ELOOP).
    std::optional<std::string> MakeSecondName(const std::string& book, const std::string& wanted,
                                              bool copy);
    // Creates a new file under a hidden name of the job's own in the folder of beside, open for
    // writing, with its path in path; nullopt with Error() telling why. The file keeps that name
    // until the job moves it: once moved, nothing is left to remove.
    std::optional<platform::File> MakeFile(const std::string& beside, std::string& path);
    // Removes the entry that the job made at path at once.
    void Remove(const std::string& path);
    // Records which folder the book was unpacked into.
    void SetUnpackFolder(const std::string& path) { unpackFolder_ = path; }
    const std::string& UnpackFolder() const { return unpackFolder_; }
    // Why the last MakeFolder or MakeSecondName failed: the error number (errno).
    int Error() const { return error_; }

  private:
    struct Entry {
        std::string path;
        ScratchKind kind;
        platform::FileIdentity identity;
    };

    std::string TemporaryName(const std::string& beside);
    // Creates an entry of kind at a temporary name beside wanted with create, then names it.
    std::optional<std::string> Make(const std::string& wanted, ScratchKind kind,
                                    bool beforeExtension,
                                    const std::function<bool(const std::string&)>& create);
    std::optional<std::string> Fail();

    std::optional<JobJournal> journal_;
    int journalError_ = 0;  // why there is no journal
    std::string token_ = UniqueToken();
    int made_ = 0;
    std::vector<Entry> entries_;
    int error_ = 0;
    std::string unpackFolder_;
};
