#pragma once

#include <QString>
#include <memory>

#include "text/phrase/UserPhrases.hpp"

// The window's side of the per-user phrase file (PerUserPhraseFile): read before each batch,
// opened for editing from the system menu.

struct WindowPhrases {
    std::shared_ptr<const text::UserPhrases> phrases;  // null when there is no file, or error
    QString error;  // why the file cannot be used, for a message box; empty when it can
};

// Reads the per-user phrase file when it exists.
WindowPhrases LoadWindowPhrases();

// The per-user phrase file's path, the file created first with a commented example (and its
// folder with it) when it is missing; an empty path and the reason in error when that fails.
QString PreparedPhraseFile(QString& error);
