#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "text/phrase/UserPhrases.hpp"

// The reader's phrase files, as both front ends find and read them before a batch.

// Why a phrase file cannot be used.
struct PhraseFileError {
    std::string path;
    std::size_t line = 0;  // the unusable line, from 1; 0 when the file could not be read
    text::PhraseLineProblem problem = text::PhraseLineProblem::NoTab;  // when line > 0
    int error = 0;  // the system's error number when the file could not be read
};

struct UserPhrasesRead {
    std::shared_ptr<const text::UserPhrases> phrases;  // null when error is set
    std::optional<PhraseFileError> error;
};

// The per-user phrase file: phrases.txt in $XDG_CONFIG_HOME/Corvela when that variable holds an
// absolute path, else in ~/.config/Corvela; empty when neither can be told.
std::string PerUserPhraseFile();

// The per-user cache folder (of the phrase profiles' built tables): $XDG_CACHE_HOME/Corvela when
// that variable holds an absolute path, else ~/.cache/Corvela; empty when neither can be told.
std::string PerUserCacheFolder();

// Reads the phrase files in the order given; for a key in several, the last entry read wins, so
// a later file wins over an earlier one. The first file that cannot be read or holds an unusable
// line ends the reading with its error.
UserPhrasesRead ReadUserPhrases(const std::vector<std::string>& paths);

// The error as one line a user reads, such as "自定义词语文件 a.txt 第 3 行：没有制表符…".
std::string DescribePhraseFileError(const PhraseFileError& error);
