#include <gtest/gtest.h>

#include "book/archive/CentralDirectory.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using namespace testing_support;

// An end record for a directory of directorySize bytes at directoryAt listing entries.
std::string EndRecord(std::size_t entries, std::size_t directorySize, std::size_t directoryAt) {
    std::string record;
    Put(record, {{0x06054b50, 4}, {0, 4}, {entries, 2}, {entries, 2}});
    Put(record, {{directorySize, 4}, {directoryAt, 4}, {0, 2}});
    return record;
}

struct ReadingCase {
    const char* name;
    std::string bytes;
    bool read;
    bool oneWay;
    std::uint64_t entries;  // as the end record that is read declares them
};

TEST(CentralDirectoryTest, AnEndRecordAnotherReaderCouldTakeOtherwiseMakesTheReadingAmbiguous) {
    TempFolder temp;
    const std::string path = temp / "book.zip";
    WriteZip(path, {{"mimetype", "application/epub+zip"}, {"a.xhtml", "<p/>"}});
    const std::string book = ReadFileBytes(path);
    // The directory listing mimetype alone, as a hidden end record would give it.
    const std::size_t directoryAt = book.find("PK\1\2");
    const std::size_t firstEntry = book.find("PK\1\2", directoryAt + 1) - directoryAt;
    const std::string hidden = EndRecord(1, firstEntry, directoryAt);
    const std::string tail = book.substr(book.size() - 22);
    // An end record in an entry's bytes whose comment reaches the end of the file: a reader that
    // takes the first such record reads another directory.
    WriteZip(path, {{"mimetype", "application/epub+zip"}, {"a.xhtml", EndRecord(0, 0, 0)}});
    std::string inData = ReadFileBytes(path);
    const std::size_t early = inData.find("PK\5\6");
    inData.replace(early + 20, 2,
                   std::string{static_cast<char>((inData.size() - early - 22) & 0xFF),
                               static_cast<char>((inData.size() - early - 22) >> 8)});
    const std::vector<ReadingCase> cases{
        {"an end record in an entry that also ends the file", inData, true, false, 2},
        {"plain", book, true, true, 2},
        {"a comment of plain words", WithComment(book, "备注 PK"), true, true, 2},
        {"a hidden end record ending the file", WithComment(book, "x" + hidden), true, false, 1},
        {"an end record signature in the comment", WithComment(book, "PK\5\6xyz"), true, false, 2},
        {"bytes between the directory and its end record",
         book.substr(0, book.size() - 22) + "junk" + tail, true, false, 2},
        {"a comment that does not reach the end", book + "x", false, false, 0},
    };
    for (const ReadingCase& c : cases) {
        WriteFileBytes(path, c.bytes);
        std::optional<platform::File> file = platform::File::OpenForReading(path);
        const std::optional<CentralDirectory> directory = ReadCentralDirectory(*file);
        EXPECT_EQ(directory.has_value(), c.read) << c.name;
        if (directory && c.read) {
            EXPECT_EQ(directory->readsOneWay, c.oneWay) << c.name;
            EXPECT_EQ(directory->declaredEntries, c.entries) << c.name;
        }
    }
}

}  // namespace
