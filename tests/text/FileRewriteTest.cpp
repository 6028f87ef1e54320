#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <span>

#include "tests/support/FileSizeLimit.hpp"
#include "tests/support/TempFolder.hpp"
#include "text/content/FontInjection.hpp"
#include "text/convert/ScriptConversion.hpp"
#include "text/convert/ScriptMapping.hpp"

namespace {

using namespace std::string_literals;
using testing_support::FileSizeLimit;
using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;
using text::RewriteResult;
using text::RewriteStatus;

using Rewrite = std::function<RewriteResult(const std::string&)>;
const Rewrite kConvert = [](const std::string& path) {
    return text::ConvertTextFileReporting(path);
};
const Rewrite kInject = text::InjectFontStylesheetReporting;

// Runs rewrite with its diagnostic lines kept out of the test's output.
RewriteResult Quietly(const Rewrite& rewrite, const std::string& path) {
    testing::internal::CaptureStdout();
    RewriteResult result = rewrite(path);
    testing::internal::GetCapturedStdout();
    return result;
}

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

struct RewriteCase {
    const char* name;
    const Rewrite* rewrite;
    std::string before;
    RewriteStatus status;
    std::string reason = {};
    const text::ScriptMapping* mapping = nullptr;
};

TEST(HonestRewrites, TellRewrittenSkippedAndFailedApartWithAReason) {
    const text::CharacterTableMapping damaged(__FILE__);
    const RewriteCase cases[] = {
        {"text", &kConvert, "<p>简体</p>", RewriteStatus::Rewritten},
        {"legacy encoding", &kConvert, "\xD6\xD0\xCE\xC4", RewriteStatus::Skipped},
        {"empty", &kConvert, "", RewriteStatus::Skipped},
        {"zero byte first", &kConvert, "\0简体"s, RewriteStatus::Skipped},
        {"image with a marker", &kConvert, "GIF89a\x01\0\x01\0\x80\0\0!\xFE charset=utf-8 简"s,
         RewriteStatus::Skipped},
        {"font with a marker", &kConvert, "wOFFOTTO utf-8 简", RewriteStatus::Skipped},
        {"damaged dictionary", &kConvert, "简体", RewriteStatus::Failed, "转换字符失败：错误 13",
         &damaged},
        {"stylesheet", &kInject, "p{margin:0}", RewriteStatus::Rewritten},
        {"nothing to add", &kInject, "@font-face{src:a", RewriteStatus::Skipped},
    };
    for (const RewriteCase& c : cases) {
        const TempFolder folder;
        WriteFileBytes(folder / "file", c.before);
        const Rewrite rewrite =
            c.mapping ? [&c](const std::string&
                                 path) { return text::ConvertTextFileReporting(path, *c.mapping); }
                      : *c.rewrite;
        const RewriteResult result = Quietly(rewrite, folder / "file");
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(result.reason, c.reason) << c.name;
        EXPECT_EQ(ReadFileBytes(folder / "file") == c.before, c.status != RewriteStatus::Rewritten)
            << c.name;
        EXPECT_EQ(NamesIn(folder.path()), std::vector<std::string>{"file"}) << c.name;
    }
    const TempFolder folder;
    for (const Rewrite* rewrite : {&kConvert, &kInject}) {
        EXPECT_EQ(Quietly(*rewrite, folder / "missing").reason,
                  "打开文件失败：No such file or directory");
    }
}

TEST(HonestRewrites, AWriteThatFailsPartWayLeavesTheOriginalAndNothingElse) {
    const std::pair<const Rewrite*, std::string> cases[] = {
        {&kConvert, "utf-8 " + std::string(300, '.') + "简体"},
        {&kConvert, std::string(100000, 'a') + "简体"},  // fails in its second chunk
        {&kInject, "p{margin:0em}"}};
    for (const auto& [rewrite, before] : cases) {
        const TempFolder folder;
        WriteFileBytes(folder / "file", before);
        RewriteResult result;
        {
            const FileSizeLimit limit(before.size() < 1000 ? 200 : 70000);
            result = Quietly(*rewrite, folder / "file");
        }
        EXPECT_EQ(result.status, RewriteStatus::Failed);
        EXPECT_EQ(result.reason, "写入文件失败：File too large");
        EXPECT_EQ(ReadFileBytes(folder / "file"), before);
        EXPECT_EQ(NamesIn(folder.path()), std::vector<std::string>{"file"});
    }
}

TEST(HonestRewrites, TheNewFileKeepsThePermissionBitsAndLeavesOtherLinksAsTheyWere) {
    const TempFolder folder;
    WriteFileBytes(folder / "text", "简体");
    WriteFileBytes(folder / "style", "p{}");
    ::chmod((folder / "text").c_str(), 0604);
    ::chmod((folder / "style").c_str(), 02640);
    ::link((folder / "text").c_str(), (folder / "other name").c_str());
    EXPECT_EQ(Quietly(kConvert, folder / "text").status, RewriteStatus::Rewritten);
    EXPECT_EQ(Quietly(kInject, folder / "style").status, RewriteStatus::Rewritten);
    struct stat text {
    }, style{};
    ::stat((folder / "text").c_str(), &text);
    ::stat((folder / "style").c_str(), &style);
    EXPECT_EQ(text.st_mode & 07777, 0604u);
    EXPECT_EQ(style.st_mode & 07777, 02640u);
    EXPECT_EQ(ReadFileBytes(folder / "text") + ReadFileBytes(folder / "other name"), "簡體简体");
}

TEST(HonestRewrites, AFolderThatTakesNoNewFileFailsWithItsReason) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into any folder; CI runs this as another user too";
    }
    const TempFolder folder;
    WriteFileBytes(folder / "file", "简体");
    ::chmod(folder.path().c_str(), 0555);
    const RewriteResult result = Quietly(kConvert, folder / "file");
    ::chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(result.reason, "建立临时文件失败：Permission denied");
    EXPECT_EQ(ReadFileBytes(folder / "file"), "简体");
}

// Maps one unit to another whose UTF-8 form is longer.
struct GrowingMapping final : text::ScriptMapping {
    int MapUnits(std::span<const char16_t> source, std::span<char16_t> destination,
                 int&) const override {
        for (std::size_t i = 0; i < source.size(); ++i) {
            destination[i] = source[i] == u'é' ? u'中' : source[i];
        }
        return 1;
    }
};

// The encoded text goes out in chunks: characters of every length, pairs among them, must come
// out whole across their boundaries.
TEST(HonestRewrites, TextThatGrowsAcrossManyChunksComesOutWhole) {
    std::string before = "utf-8", after = "utf-8";
    for (int i = 0; i < 40000; ++i) {
        before += "é\xF0\x9F\x98\x80z\xC3\xBF";
        after += "中\xF0\x9F\x98\x80z\xC3\xBF";
    }
    before += "\0tail\xFF"s;
    after += "\0tail\xFF"s;
    const TempFolder folder;
    WriteFileBytes(folder / "file", before);
    const GrowingMapping growing;
    const RewriteResult result = Quietly(
        [&growing](const std::string& path) {
            return text::ConvertTextFileReporting(path, growing);
        },
        folder / "file");
    EXPECT_EQ(result.status, RewriteStatus::Rewritten);
    EXPECT_TRUE(ReadFileBytes(folder / "file") == after);
}

}  // namespace
