#pragma once

#include <stop_token>
#include <string>

#include "book/BookOutcome.hpp"
#include "book/JobOptions.hpp"
#include "book/report/BookReport.hpp"

// The job with the built-in archive path: the book is read in place, never unpacked, and its
// text entries are inflated, converted by the same steps as an unpacked book's (font rule,
// names, text), and deflated again on the book's workers; every other entry is copied as it is
// compressed. The output is written to a hidden file of the job's beside it, flushed to the disk
// and only then moved into place. Memory: the central directory, the first bytes of each entry,
// the deflated converted entries, and per worker a few times its entry (at most kMostTextEntry).

// Converts the book that is the file book (a resolved path) into the absolute path output;
// a report, when given, sees the text step and the book's fonts.
BookOutcome ConvertInMemory(const JobOptions& options, const text::TextConverter& converter,
                            const std::string& book, const std::string& output,
                            const std::stop_token& stop, BookReport* report = nullptr);
