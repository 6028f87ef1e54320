#pragma once

#include <cstddef>
#include <string>
#include <utility>

// How a book's job ended.
enum class OutcomeKind {
    Converted,  // the output is in place
    Stopped,    // a stop request ended the job, which left the book as it was
    Refused,    // declined before anything changed, for a reason in the book or the paths
    Failed,     // something went wrong while working: a tool, the file system, the memory
};

// How one book's job ended, with the reason a user can read when it was not converted.
struct BookOutcome {
    OutcomeKind kind = OutcomeKind::Converted;
    std::string reason;  // empty when converted
    // What a front end that can interrupt its user tells at once, before it shows the book as
    // not converted (the window's message box): the user's own choice of paths or archiver is
    // wrong, or the archiver cannot be started. Empty for every other outcome.
    std::string alert;
    // With a report asked for (JobOptions::report), a converted book's: where the report went,
    // or why it could not be written (the book is converted all the same), and its counts.
    std::string reportPath;
    std::string reportProblem;
    std::size_t uncertain = 0;
    std::size_t missingGlyphs = 0;

    bool IsConverted() const { return kind == OutcomeKind::Converted; }

    static BookOutcome Converted() { return {}; }
    static BookOutcome Stopped() { return Of(OutcomeKind::Stopped, "已停止", ""); }
    static BookOutcome Refused(std::string why, std::string alert = "") {
        return Of(OutcomeKind::Refused, std::move(why), std::move(alert));
    }
    static BookOutcome Failed(std::string why, std::string alert = "") {
        return Of(OutcomeKind::Failed, std::move(why), std::move(alert));
    }

  private:
    static BookOutcome Of(OutcomeKind kind, std::string why, std::string alert) {
        BookOutcome outcome;
        outcome.kind = kind;
        outcome.reason = std::move(why);
        outcome.alert = std::move(alert);
        return outcome;
    }
};
