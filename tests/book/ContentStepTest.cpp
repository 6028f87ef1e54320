#include <gtest/gtest.h>

#include <map>

#include "book/tree/ContentStep.hpp"
#include "tests/support/BookFiles.hpp"
#include "tests/support/Converters.hpp"
#include "tests/support/FileSizeLimit.hpp"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// Every file under root by its path, with its bytes.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        files[fs::relative(entry.path(), root).string()] =
            entry.is_regular_file() ? ReadFileBytes(entry.path()) : "(folder)";
    }
    return files;
}

// A book's tree: a real sample and many chapters of Simplified text in folders with Simplified
// names, text that is not text, and the container's own names.
void MakeTree(const std::string& root) {
    fs::copy(CORVELA_CORPUS_DIR "/trees/kusamakura-japanese-vertical-writing", root,
             fs::copy_options::recursive);
    fs::create_directories(root + "/META-INF/图");
    WriteFileBytes(root + "/META-INF/图/说明.xml", "<p>说明</p>");
    for (int i = 0; i < 40; ++i) {
        const std::string folder = root + "/文本/卷" + std::to_string(i % 3);
        fs::create_directories(folder);
        WriteFileBytes(folder + "/第" + std::to_string(i) + "节.xhtml",
                       "<?xml encoding=\"utf-8\"?><p>头发与烟斗，" + std::to_string(i) +
                           std::string(i * 500, 'x') + "关系</p>\xff");
    }
    WriteFileBytes(root + "/文本/图.png", BinaryBytes(3));
}

TEST(ContentStepTest, AllThreadsGiveWhatOneGives) {
    const text::LoadedConverter loaded = text::LoadConverter(text::Profile::S2twp);
    ASSERT_TRUE(loaded.converter) << loaded.error;
    const TextConversion conversion{*loaded.converter, text::Profile::S2twp};
    TempFolder temp;
    std::map<std::string, std::string> serial;
    for (unsigned workers : {1u, 2u, 7u}) {
        const std::string root = temp / std::to_string(workers);
        MakeTree(root);
        ASSERT_EQ(ConvertTree(root, conversion, {}, workers), std::nullopt);
        const std::map<std::string, std::string> tree = Tree(root);
        if (workers == 1) {
            serial = tree;
            const std::string chapter = serial.at("文字/卷1/第4節.xhtml");
            EXPECT_TRUE(chapter.starts_with("<?xml encoding=\"utf-8\"?><p>頭髮與菸斗，4x"));
            EXPECT_TRUE(chapter.ends_with("x關係</p>\xff"));
            EXPECT_EQ(serial.at("文字/圖.png"), BinaryBytes(3));
            EXPECT_EQ(serial.at("META-INF/图/说明.xml"), "<p>說明</p>");
        }
        EXPECT_EQ(tree, serial) << workers;
    }
}

TEST(ContentStepTest, AStopLeavesTheNamesAsTheyWere) {
    const text::LoadedConverter loaded = text::LoadConverter(text::Profile::Char);
    TempFolder temp;
    const std::string root = temp / "book";
    MakeTree(root);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(ConvertTree(root, {*loaded.converter, text::Profile::Char}, stop.get_token(), 2),
              std::nullopt);
    EXPECT_TRUE(fs::exists(root + "/文本/卷1/第4节.xhtml"));
}

// A file that cannot be written back, whichever worker has it, fails the step with its reason
// and leaves every name as it was.
TEST(ContentStepTest, AFileThatCannotBeWrittenFailsTheStepWithItsReason) {
    TempFolder temp;
    const std::string root = temp / "book";
    fs::create_directories(root + "/文本");
    for (int i = 0; i < 8; ++i) {
        WriteFileBytes(root + "/文本/第" + std::to_string(i) + "节.xhtml", "<p>头发</p>");
    }
    WriteFileBytes(root + "/文本/长.xhtml", "<p>头发" + std::string(100000, 'x') + "</p>");
    std::optional<TreeFailure> failure;
    {
        const FileSizeLimit limit(65536);
        failure =
            ConvertTree(root, {*ConverterOf(text::Profile::Char), text::Profile::Char}, {}, 3);
    }
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->reason.starts_with("无法写回 文本/长.xhtml：")) << failure->reason;
    EXPECT_FALSE(failure->refused);
    EXPECT_TRUE(fs::exists(root + "/文本/第1节.xhtml"));
}

}  // namespace
