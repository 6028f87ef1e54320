#include "platform/LockedFile.hpp"

#include <gtest/gtest.h>

#include "tests/support/TempFolder.hpp"

namespace {

using platform::LockedFile;
using testing_support::TempFolder;

TEST(LockedFileTest, IsTakenOnlyOnceItsOwnerHasLetGo) {
    TempFolder folder;
    const std::string path = folder / "job.journal";
    std::optional<LockedFile> owner = LockedFile::Create(path);
    ASSERT_TRUE(owner);
    EXPECT_FALSE(LockedFile::Create(path));
    EXPECT_FALSE(LockedFile::TryLock(path));
    ASSERT_TRUE(owner->Append("first\n") && owner->Append("second\n"));
    owner.reset();
    std::optional<LockedFile> heir = LockedFile::TryLock(path);
    ASSERT_TRUE(heir);
    EXPECT_EQ(heir->ReadAll(), "first\nsecond\n");
    EXPECT_FALSE(LockedFile::TryLock(path));
    EXPECT_TRUE(heir->Remove());
    EXPECT_FALSE(LockedFile::TryLock(path));
    EXPECT_FALSE(LockedFile::TryLock(folder / "missing"));
}

}  // namespace
