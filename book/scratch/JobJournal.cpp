#include "book/scratch/JobJournal.hpp"

#include <unistd.h>

#include <cerrno>
#include <random>
#include <sstream>
#include <vector>

#include "book/tree/UnpackedTree.hpp"

using platform::EntryType;
using platform::FileIdentity;

namespace {

constexpr const char* kJournalEnding = ".journal";
// How a journal kept beside the scratch begins its name.
constexpr const char* kBesideJournalStart = ".corvela-";
constexpr int kMostStartTries = 8;

// The folder of the journals; empty when neither XDG_STATE_HOME nor HOME gives one.
std::string JournalFolder() {
    const std::string base = platform::UserBaseFolder("XDG_STATE_HOME", ".local/state");
    return base.empty() ? base : base + "/corvela/jobs";
}

// One line of a journal: tag, kind, device, inode, birth time, then the path with its length before
// it (a path may hold any byte but NUL, a line break included).
struct JournalLine {
    char tag = 0;
    ScratchKind kind = ScratchKind::Copy;
    FileIdentity identity;
    std::string path;
};

std::vector<JournalLine> ParseJournal(const std::string& text) {
    std::vector<JournalLine> lines;
    std::istringstream in(text);
    for (;;) {
        JournalLine line;
        char kind = 0;
        std::size_t length = 0;
        char colon = 0;
        if (!(in >> line.tag >> kind >> line.identity.device >> line.identity.inode >>
              line.identity.born >> length >> colon) ||
            colon != ':') {
            return lines;  // the end, or a line cut short by a kill: nothing was made after it
        }
        line.path.resize(length);
        if (!in.read(line.path.data(), static_cast<std::streamsize>(length))) {
            return lines;
        }
        line.kind = static_cast<ScratchKind>(kind);
        lines.push_back(std::move(line));
    }
}

// Removes every entry that the journal's lines record; true when none is left.
bool RemoveRecorded(const std::vector<JournalLine>& lines) {
    bool allGone = true;
    for (const JournalLine& line : lines) {
        // A name made at creation is the job's own; a later name counts only for that entry.
        const std::optional<FileIdentity> identity =
            line.tag == 'T' ? std::nullopt : std::optional(line.identity);
        allGone = RemoveScratchEntry(line.path, line.kind, identity) && allGone;
    }
    return allGone;
}

// A new journal named start, a token and the journal ending; nullopt when it cannot be made.
std::optional<platform::LockedFile> CreateJournal(const std::string& start) {
    for (int i = 0; i < kMostStartTries; ++i) {
        if (std::optional<platform::LockedFile> file =
                platform::LockedFile::Create(start + UniqueToken() + kJournalEnding)) {
            return file;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Replays the journals in folder whose names begin with start that no live job holds.
void RemoveAbandonedIn(const std::string& folder, const std::string& start) {
    const std::optional<std::vector<platform::FolderEntry>> entries = platform::ListFolder(folder);
    for (const platform::FolderEntry& entry :
         entries.value_or(std::vector<platform::FolderEntry>{})) {
        if (entry.type != EntryType::File || !entry.name.starts_with(start) ||
            !entry.name.ends_with(kJournalEnding)) {
            continue;
        }
        std::optional<platform::LockedFile> abandoned =
            platform::LockedFile::TryLock(folder + "/" + entry.name);
        const std::optional<std::string> text = abandoned ? abandoned->ReadAll() : std::nullopt;
        if (text && RemoveRecorded(ParseJournal(*text))) {
            abandoned->Remove();
        }
    }
}

}  // namespace

std::string UniqueToken() {
    std::random_device source;
    std::ostringstream token;
    token << ::getpid() << '-' << std::hex << source() << source();
    return token.str();
}

bool RemoveScratchEntry(const std::string& path, ScratchKind kind,
                        const std::optional<FileIdentity>& identity) {
    const std::optional<FileIdentity> now = platform::IdentityOf(path);
    if (!now) {
        return errno == ENOENT;
    }
    if (identity && !now->SameFileAs(*identity)) {
        return true;
    }
    const EntryType wanted = kind == ScratchKind::Folder ? EntryType::Folder : EntryType::File;
    // A second name of the book that became its only name holds the user's data now: it stays.
    if (now->type != wanted || (kind == ScratchKind::Link && now->links < 2)) {
        return true;
    }
    return kind == ScratchKind::Folder ? DeleteTree(path) : platform::RemoveFile(path);
}

std::optional<JobJournal> JobJournal::Start(const std::string& besideFolder) {
    const std::string folder = JournalFolder();
    if (!folder.empty() && platform::CreateFolderPath(folder)) {
        if (std::optional<platform::LockedFile> file = CreateJournal(folder + "/")) {
            return JobJournal(std::move(*file));
        }
    }
    if (besideFolder.empty()) {
        return std::nullopt;
    }
    // A journal beside the scratch: the next job on a book of this folder replays it.
    if (std::optional<platform::LockedFile> file =
            CreateJournal(besideFolder + "/" + kBesideJournalStart)) {
        return JobJournal(std::move(*file));
    }
    return std::nullopt;
}

void JobJournal::RemoveAbandoned(const std::vector<std::string>& folders) {
    const std::string folder = JournalFolder();
    if (!folder.empty()) {
        RemoveAbandonedIn(folder, "");
    }
    for (const std::string& beside : folders) {
        RemoveAbandonedIn(beside, kBesideJournalStart);
    }
}

bool JobJournal::Record(char tag, const std::string& path, ScratchKind kind,
                        const FileIdentity& identity) {
    std::ostringstream line;
    line << tag << ' ' << static_cast<char>(kind) << ' ' << identity.device << ' ' << identity.inode
         << ' ' << identity.born << ' ' << path.size() << ':' << path << '\n';
    return file_.Append(line.str());
}

bool JobJournal::WillCreate(const std::string& path, ScratchKind kind) {
    return Record('T', path, kind, {});
}

bool JobJournal::Created(const std::string& path, ScratchKind kind, const FileIdentity& identity) {
    return Record('M', path, kind, identity);
}

bool JobJournal::WillName(const std::string& path, ScratchKind kind, const FileIdentity& identity) {
    return Record('N', path, kind, identity);
}

void JobJournal::Finish() {
    file_.Remove();
}
