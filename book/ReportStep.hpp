#pragma once

#include <chrono>
#include <string>

#include "book/BookOutcome.hpp"
#include "book/JobOptions.hpp"
#include "book/report/BookReport.hpp"

// The job's part of a proofreading report: the fonts of an unpacked book, and the report
// written beside the output once the book is converted.

// True when a font file lies under root (the unpacked book).
bool HasFontFilesUnder(const std::string& root);

// Gives report every font file under root (the unpacked book), by its path below root.
void AddFontsUnder(const std::string& root, BookReport& report);

// Finishes report and writes it beside output (NAME.report.html), telling the outcome, which
// must be a converted book's, where it went or why it could not be written.
void WriteBookReport(const JobOptions& options, const std::string& book, const std::string& output,
                     std::chrono::steady_clock::time_point start, BookReport& report,
                     BookOutcome& outcome);
