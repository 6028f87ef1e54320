#include "text/convert/FileBuffers.hpp"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.hpp"

namespace {

// A read that meets the end of the file early (the file shrank after it was sized) is a
// failure: the bytes it did not read must never be taken for the file's.
TEST(ReadExactlyTest, TakesOnlyAReadOfEveryByteAsked) {
    const testing_support::TempFolder folder;
    testing_support::WriteFileBytes(folder / "file", "0123456789");
    unsigned char bytes[32] = {};
    for (const std::size_t asked : {10u, 11u, 32u, 0u, 4u}) {
        std::optional<platform::File> file = platform::File::OpenForReading(folder / "file");
        ASSERT_TRUE(file.has_value());
        EXPECT_EQ(text::ReadExactly(*file, bytes, asked), asked <= 10) << asked;
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 4), "0123");
}

TEST(OpenAndReadWholeTest, HoldsTheBytesWithAZeroAfterThemOrSaysWhyNot) {
    const testing_support::TempFolder folder;
    testing_support::WriteFileBytes(folder / "file", std::string("ab\0c", 4));
    std::string failure;
    testing::internal::CaptureStdout();
    const std::optional<text::WholeFile> whole = text::OpenAndReadWhole(folder / "file", failure);
    const std::optional<text::WholeFile> none = text::OpenAndReadWhole(folder.path(), failure);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(whole.has_value());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(whole->bytes.get()), whole->size + 1),
              std::string("ab\0c\0", 5));
    EXPECT_FALSE(none.has_value());
    EXPECT_EQ(failure, "打开文件失败：Is a directory");
}

}  // namespace
