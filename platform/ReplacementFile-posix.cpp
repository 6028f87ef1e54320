#include "platform/ReplacementFile.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target) : target_(target) {
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) {
        if (errno != ENOENT) {
            Fail();
            return;
        }
        status.st_mode = 0644;  // a new file: readable by all, as a file a user saves
    }
    // A short name of our own: the target's name plus a suffix could pass the longest name.
    std::string pattern = FolderOf(target) + "/.corvela-new-XXXXXX";
    std::optional<File> file = File::CreateTemporary(pattern);
    if (!file) {
        Fail();
        return;
    }
    temporary_ = pattern;
    file_ = std::move(file);
    if (::chmod(temporary_.c_str(), status.st_mode & 07777) != 0) {
        Fail();
        Discard();
    }
}

ReplacementFile::~ReplacementFile() {
    Discard();
}

bool ReplacementFile::Write(const void* data, std::size_t count) {
    if (!file_) {
        return false;
    }
    errno = 0;
    return file_->Write(data, count) == count || Fail();
}

bool ReplacementFile::Commit() {
    if (!file_) {
        return false;
    }
    file_.reset();
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Fail();
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

bool ReplacementFile::Fail() {
    // A write that stops without an error number (nothing written) still failed.
    error_ = errno != 0 ? errno : EIO;
    return false;
}

void ReplacementFile::Discard() {
    file_.reset();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace platform
