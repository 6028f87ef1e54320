#include "platform/MappedFile.hpp"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/TempFolder.hpp"

namespace {

using namespace testing_support;

// The bytes are the file's, whatever they hold; an empty file maps to none; what cannot be
// mapped says why; a file replaced by a rename leaves the mapping as it was.
TEST(MappedFileTest, MapsTheWholeFileOrTellsWhyNot) {
    const TempFolder folder;
    const std::string bytes = std::string("a\0b", 3) + std::string(70000, '\xff') + "end";
    WriteFileBytes(folder / "file", bytes);
    WriteFileBytes(folder / "empty", "");
    std::optional<platform::MappedFile> mapped = platform::MappedFile::Open(folder / "file");
    ASSERT_TRUE(mapped.has_value());
    WriteFileBytes(folder / "new", "other");
    std::filesystem::rename(folder / "new", folder / "file");
    EXPECT_EQ(mapped->Bytes(), bytes);
    const platform::MappedFile moved = std::move(*mapped);
    EXPECT_EQ(moved.Bytes(), bytes);

    const std::optional<platform::MappedFile> empty = platform::MappedFile::Open(folder / "empty");
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->Bytes().empty());

    for (const auto& [name, error] : {std::pair{"missing", ENOENT}, std::pair{"", EISDIR}}) {
        errno = 0;
        EXPECT_FALSE(platform::MappedFile::Open(folder / name).has_value()) << name;
        EXPECT_EQ(errno, error) << name;
    }
}

}  // namespace
