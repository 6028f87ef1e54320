#include "book/scratch/JobScratch.hpp"

#include <cerrno>

#include "book/scratch/FreshNames.hpp"
#include "platform/FileSystem.hpp"

JobScratch::JobScratch(const std::vector<std::string>& folders) {
    JobJournal::RemoveAbandoned(folders);
    journal_ = JobJournal::Start(folders.empty() ? "" : folders.front());
    journalError_ = journal_ ? 0 : (errno != 0 ? errno : ENOENT);
}

JobScratch::~JobScratch() {
    bool allGone = true;
    for (const Entry& entry : entries_) {
        allGone = RemoveScratchEntry(entry.path, entry.kind, entry.identity) && allGone;
    }
    // What could not be removed now stays recorded for the next job to try again.
    if (journal_ && allGone) {
        journal_->Finish();
    }
}

std::string JobScratch::TemporaryName(const std::string& beside) {
    const std::string folder = beside.substr(0, beside.rfind('/') + 1);
    return folder + ".corvela-" + token_ + "-" + std::to_string(++made_);
}

std::optional<std::string> JobScratch::Fail() {
    error_ = errno;
    return std::nullopt;
}

std::optional<std::string> JobScratch::Make(const std::string& wanted, ScratchKind kind,
                                            bool beforeExtension,
                                            const std::function<bool(const std::string&)>& create) {
    const std::string temporary = TemporaryName(wanted);
    if (!journal_) {
        errno = journalError_;
        return Fail();
    }
    if (!journal_->WillCreate(temporary, kind)) {
        return Fail();
    }
    if (!create(temporary)) {
        return Fail();
    }
    const std::optional<platform::FileIdentity> identity = platform::IdentityOf(temporary);
    if (!identity) {
        return Fail();
    }
    entries_.push_back({temporary, kind, *identity});
    if (!journal_->Created(temporary, kind, *identity)) {
        return Fail();
    }
    std::optional<std::string> named =
        MoveUnderFreshName(temporary, wanted, beforeExtension, [&](const std::string& candidate) {
            return journal_->WillName(candidate, kind, *identity);
        });
    if (!named) {
        return Fail();
    }
    entries_.back().path = *named;
    return named;
}

std::optional<std::string> JobScratch::MakeFolder(const std::string& wanted) {
    return Make(wanted, ScratchKind::Folder, false, platform::CreateFolder);
}

std::optional<std::string> JobScratch::MakeSecondName(const std::string& book,
                                                      const std::string& wanted, bool copy) {
    // A link to a symbolic link would name whatever its target names from the new folder.
    if (platform::TypeOf(book) != platform::EntryType::File) {
        error_ = ELOOP;
        return std::nullopt;
    }
    if (!copy) {
        std::optional<std::string> link =
            Make(wanted, ScratchKind::Link, true,
                 [&book](const std::string& name) { return platform::LinkNoReplace(book, name); });
        // File systems without hard links (FAT, some network shares) get a copy.
        if (link || (errno != EPERM && errno != EXDEV && errno != ENOTSUP && errno != EMLINK)) {
            return link;
        }
    }
    return Make(wanted, ScratchKind::Copy, true,
                [&book](const std::string& name) { return platform::CopyNoReplace(book, name); });
}

std::optional<platform::File> JobScratch::MakeFile(const std::string& beside, std::string& path) {
    const std::string temporary = TemporaryName(beside);
    if (!journal_) {
        error_ = journalError_;
        return std::nullopt;
    }
    std::optional<platform::File> file;
    if (journal_->WillCreate(temporary, ScratchKind::Copy)) {
        file = platform::File::CreateNew(temporary);
    }
    const std::optional<platform::FileIdentity> identity =
        file ? platform::IdentityOf(temporary) : std::nullopt;
    if (!identity) {
        Fail();
        if (file) {
            platform::RemoveFile(temporary);
        }
        return std::nullopt;
    }
    entries_.push_back({temporary, ScratchKind::Copy, *identity});
    if (!journal_->Created(temporary, ScratchKind::Copy, *identity)) {
        Fail();
        return std::nullopt;
    }
    path = temporary;
    return file;
}

void JobScratch::Remove(const std::string& path) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->path == path && RemoveScratchEntry(it->path, it->kind, it->identity)) {
            entries_.erase(it);
            return;
        }
    }
}
