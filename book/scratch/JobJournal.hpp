#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.hpp"
#include "platform/LockedFile.hpp"

// What a scratch entry beside a book is, and so how it may be removed.
enum class ScratchKind : char {
    Folder = 'D',  // a folder the job made: removed with everything in it
    Copy = 'F',    // a file the job wrote: removed
    Link = 'L',    // a second name of the book: removed only while the book keeps another name
};

// The record of what one job makes beside books, kept in the user's state folder
// ($XDG_STATE_HOME or ~/.local/state, then corvela/jobs) or, when that cannot be used, beside the
// scratch itself as a hidden ".corvela-….journal", and locked while the job lives. Every entry is
// recorded before it exists, under a temporary name unique to the job, and with its identity
// (device and inode) before it gets its final name, so a job killed at any moment leaves a record
// of exactly what it made, and nothing else is ever taken for it.
class JobJournal {
  public:
    // Starts the journal of a new job in the state folder, else in besideFolder (when given);
    // nullopt when neither can be used (errno tells why).
    static std::optional<JobJournal> Start(const std::string& besideFolder = "");
    // Removes what each job that died before clearing its journal left behind, then that
    // journal: the journals of the state folder and those beside the scratch in each of
    // folders. Journals of live jobs, and entries that are no longer what was recorded, are left
    // alone. A journal whose entries cannot all be reached is kept for a later run.
    static void RemoveAbandoned(const std::vector<std::string>& folders = {});

    // Records that the job is about to create path, a name unique to the job; false when the
    // record could not be written.
    bool WillCreate(const std::string& path, ScratchKind kind);
    // Records that path now exists as identity; false when the record could not be written.
    bool Created(const std::string& path, ScratchKind kind, const platform::FileIdentity& identity);
    // Records that the entry of identity is about to be named path.
    bool WillName(const std::string& path, ScratchKind kind,
                  const platform::FileIdentity& identity);
    // Removes the journal once everything it records is gone.
    void Finish();

  private:
    explicit JobJournal(platform::LockedFile file) : file_(std::move(file)) {}
    bool Record(char tag, const std::string& path, ScratchKind kind,
                const platform::FileIdentity& identity);

    platform::LockedFile file_;
};

// A token no other job of any process holds: the process id and random digits.
std::string UniqueToken();

// Removes the scratch entry at path when it is still the one recorded (any entry when identity
// is nullopt: the name was unique to the job). True when nothing of the job's is left there.
bool RemoveScratchEntry(const std::string& path, ScratchKind kind,
                        const std::optional<platform::FileIdentity>& identity);
