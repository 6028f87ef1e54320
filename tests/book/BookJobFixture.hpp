#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "book/BookConverter.hpp"
#include "tests/support/BookFiles.hpp"
#include "tests/support/TempFolder.hpp"

namespace book_testing {

// The job as the command line runs it, with the messages kept for the test to look at.
class RecordingConverter : public CBookConverter {
  public:
    void ShowError(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// A folder "books" in a temporary folder, and a job to run on the books put there.
class BookJobTest : public testing::Test {
  protected:
    void SetUp() override { std::filesystem::create_directory(books); }

    // Writes a book of entries into the folder and returns its path.
    std::string MakeBook(const std::string& name,
                         const std::vector<testing_support::ZipEntrySpec>& entries) {
        const std::string path = books + "/" + name;
        testing_support::WriteZip(path, entries);
        return path;
    }

    // The output path the batch gives the book.
    std::string OutputOf(const std::string& book) {
        std::string output;
        converter.ReplaceExtension(output, book, "_corvela.epub");
        return output;
    }

    // Runs the job on book, output beside it as the batch names it.
    int Convert(const std::string& book, const std::string& archiver = "",
                std::stop_token stop = {}) {
        return converter.ConvertBook(archiver, book, OutputOf(book), stop);
    }

    std::set<std::string> Beside() const { return testing_support::NamesIn(books); }

    testing_support::TempFolder temp;
    const std::string books = temp / "books";
    RecordingConverter converter;
};

}  // namespace book_testing
