#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "book/BookConverter.hpp"
#include "book/archive/ZipNameRelabel.hpp"
#include "tests/support/BookFiles.hpp"
#include "tests/support/Converters.hpp"

namespace testing_support {

using Names = std::set<std::string>;
using Messages = std::vector<std::string>;

// Where the font rule's stylesheet points the reader for its font.
constexpr const char* kFontLocation = "res:///opt/sony/ebook/FONT/zw.ttf";

// The job on books in the folder "books" of a temporary folder, with its messages kept and its
// journals in the temporary folder too.
class BookJobTest : public testing::Test, public CBookConverter {
  protected:
    BookJobTest() {
        std::filesystem::create_directory(books);
        ::setenv("XDG_STATE_HOME", (temp / "state").c_str(), 1);
    }
    ~BookJobTest() override { ::unsetenv("XDG_STATE_HOME"); }

    std::string MakeBook(const std::string& name, const std::vector<ZipEntryPlan>& extra = {}) {
        return WriteSampleBook(books + "/" + name, extra);
    }
    static std::string OutputOf(const std::string& book) {
        return book.substr(0, book.rfind('.')) + "_corvela.epub";
    }
    // Converts book beside itself with the archiver given (empty: zip and unzip).
    BookOutcome Run(const std::string& book, const std::string& archiver = "",
                    std::stop_token stop = {}) {
        JobOptions options;
        options.archiverPath = archiver;
        return Convert(options, book, OutputOf(book), std::move(stop));
    }
    // The job, its alert kept as the message the window shows.
    BookOutcome Convert(const JobOptions& options, const std::string& book,
                        const std::string& output, std::stop_token stop = {}) {
        BookOutcome outcome = ConvertBook(options, book, output, std::move(stop));
        if (!outcome.alert.empty()) {
            messages.push_back(outcome.alert);
        }
        return outcome;
    }
    // Converts book beside itself in profile, with the batch's shared converter.
    BookOutcome Run(const std::string& book, text::Profile profile, bool fontRule = true) {
        JobOptions options;
        options.profile = profile;
        options.fontRule = fontRule;
        options.converter = ConverterOf(profile);
        return Convert(options, book, OutputOf(book));
    }
    Names Beside() const { return NamesIn(books); }

    // The WinRAR stand-in under a folder whose name holds a blank (so that the unquoted path is
    // resolved as the platform does), followed by after: a shell line where $1 is the step, $3
    // the unpack folder and $5 the output of the pack.
    std::string Archiver(const std::string& after = "") {
        const std::string tools = temp / "my tools";
        std::filesystem::create_directories(tools);
        std::filesystem::copy_file(CORVELA_TEST_DATA_DIR "/winrar-standin.sh", tools + "/standin",
                                   std::filesystem::copy_options::overwrite_existing);
        WriteScript(tools + "/WinRAR.exe",
                    "\"" + tools + "/standin\" \"$@\" || exit $?\n" + after + "\nexit 0\n");
        return tools + "/WinRAR.exe";
    }
    // Unpacks archive into the folder name of the temporary folder, keeping the UTF-8 names of
    // entries made on Windows as the job does.
    std::string Unpacked(const std::string& archive, const std::string& name) {
        const std::string copy = temp / "relabelled.zip";
        std::filesystem::copy_file(archive, copy,
                                   std::filesystem::copy_options::overwrite_existing);
        if (std::optional<CentralDirectoryPatch> patch = RelabelUtf8Names(copy)) {
            ApplyCentralDirectoryPatch(copy, *patch);
        }
        RunShellCommand("unzip -qq " + ShellQuoted(copy) + " -d " + ShellQuoted(temp / name));
        return temp / name;
    }
    // A packed sample book, or a sample tree packed as EPUB wants it (mimetype first, stored),
    // copied into the books folder.
    std::string SampleBook(const std::string& sample) {
        const std::string source = CORVELA_CORPUS_DIR "/" + sample;
        const std::string book =
            books + "/" + std::filesystem::path(sample).stem().string() + ".epub";
        if (!std::filesystem::is_directory(source)) {
            std::filesystem::copy_file(source, book);
            return book;
        }
        RunShellCommand("cd " + ShellQuoted(source) + " && LC_ALL=C.UTF-8 zip -qX0 " +
                        ShellQuoted(book) + " mimetype && LC_ALL=C.UTF-8 zip -qXr9 " +
                        ShellQuoted(book) + " . -x mimetype");
        return book;
    }

    TempFolder temp;
    const std::string books = temp / "books";
    Messages messages;
};

}  // namespace testing_support
