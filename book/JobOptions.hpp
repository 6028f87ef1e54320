#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "text/content/BookConventions.hpp"
#include "text/convert/TextConverter.hpp"
#include "text/phrase/UserPhrases.hpp"
#include "text/profile/ConversionProfile.hpp"

// What a batch asks of every book's job.
struct JobOptions {
    std::string archiverPath;  // the WinRAR program; empty: zip and unzip
    // Read and write the book in place with the built-in archive path: no archiver, nothing
    // unpacked; archiverPath is then not used.
    bool builtinZip = false;
    text::Profile profile = text::Profile::Char;
    // The profile's converter, loaded once for the batch; null: the job loads its own.
    std::shared_ptr<const text::TextConverter> converter;
    // The reader's phrases, ahead of the profile wherever the job loads the converter itself;
    // null or empty: none.
    std::shared_ptr<const text::UserPhrases> userPhrases;
    bool fontRule = true;               // add the e-reader font locations to the stylesheet
    text::BookConventions conventions;  // quotation marks and layout; none by default
    // Where the phrase profiles' built tables are kept between runs; empty: not kept.
    std::string tableCacheFolder;
    // Where the book's second name and unpack folder go; empty: beside the book.
    std::string scratchFolder;
    // Write a proofreading report beside each converted book's output (NAME.report.html).
    bool report = false;
    // The threads of the book's text step; 0: one per hardware thread.
    unsigned workers = 0;
    // Receives the job's notes on the book's files, a line each without a line feed, on the
    // thread that runs the job; may be empty. The job itself never prints.
    std::function<void(std::string_view line)> diagnostic;
};
