#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "tests/book/BookJobFixture.hpp"
#include "tests/support/BookFiles.hpp"

namespace {

using testing_support::ReadArchive;
using testing_support::ReadFileBytes;
using Names = std::set<std::string>;

struct CorpusCase {
    std::string name;
    std::string source;  // under the corpus: a packed book or a tree to pack
    // Whether the job converts it; nullopt when either is right as long as it ends cleanly.
    std::optional<bool> converted;
};

bool IsBinaryResource(const std::string& path) {
    static const std::set<std::string> kBinary{".jpg", ".jpeg", ".png",   ".gif", ".ttf",
                                               ".otf", ".woff", ".woff2", ".mp3", ".mp4"};
    return kBinary.count(std::filesystem::path(path).extension().string()) > 0;
}

class CorpusBookTest : public book_testing::BookJobTest,
                       public testing::WithParamInterface<CorpusCase> {
  protected:
    // Puts the sample into the books folder as a book and returns its path.
    std::string PlaceBook() {
        const std::string source = std::string(CORVELA_CORPUS_DIR) + "/" + GetParam().source;
        const std::string book = books + "/" + GetParam().name + ".epub";
        if (std::filesystem::is_directory(source)) {
            testing_support::PackTree(source, book);
        } else {
            std::filesystem::copy_file(source, book);
        }
        return book;
    }
};

TEST_P(CorpusBookTest, ConvertsOrGivesUpCleanlyAndKeepsEveryResource) {
    const std::string book = PlaceBook();
    const std::string original = ReadFileBytes(book);
    const std::string output = OutputOf(book);
    const int result = Convert(book);
    if (GetParam().converted) {
        EXPECT_EQ(result, *GetParam().converted ? 1 : 0);
    }
    EXPECT_TRUE(converter.messages.empty());
    EXPECT_EQ(ReadFileBytes(book), original);
    const std::string bookName = std::filesystem::path(book).filename().string();
    const std::string outputName = std::filesystem::path(output).filename().string();
    EXPECT_EQ(Beside(), (result ? Names{bookName, outputName} : Names{bookName}));
    if (!result) {
        return;
    }
    EXPECT_TRUE(testing_support::StartsWithStoredMimetype(ReadFileBytes(output)));
    const auto before = ReadArchive(book);
    const auto after = ReadArchive(output);
    for (const auto& [path, bytes] : before) {
        ASSERT_EQ(after.count(path), 1u) << path;
        if (IsBinaryResource(path) || path == "META-INF/encryption.xml") {
            EXPECT_EQ(after.at(path), bytes) << path;
        }
    }
    EXPECT_EQ(after.size(), before.size());
}

INSTANTIATE_TEST_SUITE_P(
    Samples, CorpusBookTest,
    testing::Values(
        CorpusCase{"simpleEpub", "packed/simpleEpub.epub", true},
        CorpusCase{"template", "packed/template.epub", true},
        CorpusCase{"not_utf8_name", "packed/ocf-filename-not-utf8-error.epub", std::nullopt},
        CorpusCase{"reflow", "trees/02_Reflow_Text_Vertical", true},
        CorpusCase{"fonts_ruby", "trees/03_Embed_Fonts_And_Ruby", true},
        CorpusCase{"kusamakura", "trees/kusamakura-japanese-vertical-writing", true},
        CorpusCase{"wasteland", "trees/wasteland-woff-obf", true},
        CorpusCase{"style_in_xhtml", "trees/cnt-css-fonts_woff2", false},
        CorpusCase{"text_combine", "trees/css-epub-text-combine-horizontal", false},
        CorpusCase{"writing_mode", "trees/css-epub-writing-mode", false},
        CorpusCase{"font_obfuscation", "trees/ocf-font_obfuscation", std::nullopt},
        CorpusCase{"url_relative", "trees/ocf-url_relative", std::nullopt},
        CorpusCase{"percent_encoded", "trees/url-percent-encoded-valid", std::nullopt},
        CorpusCase{"composed_name", "trees/ocf-container-filename-character-composition-valid",
                   std::nullopt},
        CorpusCase{"space_name", "trees/ocf-filename-character-space-warning", std::nullopt}),
    [](const auto& info) { return info.param.name; });

}  // namespace
