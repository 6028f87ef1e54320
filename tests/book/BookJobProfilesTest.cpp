#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>

#include "book/BookConverter.hpp"
#include "book/archive/ZipNameRelabel.hpp"
#include "tests/support/BookFiles.hpp"
#include "tests/support/BookReferences.hpp"
#include "text/unicode/BinarySignature.hpp"

namespace {

using namespace testing_support;
using text::Profile;

// The job in a chosen profile, on books in a temporary folder, its messages kept.
class BookJobProfilesTest : public testing::Test, public CBookConverter {
  protected:
    BookOutcome Convert(const std::string& book, Profile profile, bool fontRule = true) {
        JobOptions options;
        options.profile = profile;
        options.fontRule = fontRule;
        options.converter = ConverterOf(profile);
        BookOutcome outcome = CBookConverter::ConvertBook(options, book, Output(book));
        if (!outcome.alert.empty()) {
            messages.push_back(outcome.alert);
        }
        return outcome;
    }
    // The profile's converter, loaded once as a batch does.
    std::shared_ptr<const text::TextConverter> ConverterOf(Profile profile) {
        auto& converter = converters[profile];
        if (!converter) {
            converter = text::LoadConverter(profile).converter;
        }
        return converter;
    }
    static std::string Output(const std::string& book) {
        return book.substr(0, book.rfind('.')) + "_corvela.epub";
    }
    // Unpacks archive into a new folder of that name under the temporary folder, keeping the
    // UTF-8 names of entries made on Windows as the job does.
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
    // Packs the sample tree as an EPUB wants it: mimetype first and stored.
    std::string PackedSample(const std::string& tree) {
        const std::string book = temp / "book.epub";
        RunShellCommand("cd " + ShellQuoted(CORVELA_CORPUS_DIR "/" + tree) +
                        " && LC_ALL=C.UTF-8 zip -qX0 " + ShellQuoted(book) +
                        " mimetype && LC_ALL=C.UTF-8 zip -qXr9 " + ShellQuoted(book) +
                        " . -x mimetype");
        return book;
    }

    TempFolder temp;
    std::vector<std::string> messages;
    std::map<Profile, std::shared_ptr<const text::TextConverter>> converters;
};

const std::vector<Profile> kAllProfiles{Profile::Char, Profile::S2t, Profile::S2tw, Profile::S2twp,
                                        Profile::S2hk};

// A book whose files and folders have Simplified names, referred to in every way a book does:
// container, manifest, navigation, NCX, links with fragments, images in XHTML and SVG, url().
std::vector<ZipEntryPlan> LinkedBook() {
    const std::string xhtml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html><head>";
    return {
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml",
         "<container><rootfiles><rootfile full-path=\"OEBPS/内容.opf\"/></rootfiles></container>"},
        {"OEBPS/内容.opf",
         "<package><manifest><item id=\"nav\" href=\"目录.xhtml\"/>"
         "<item id=\"ncx\" href=\"目录.ncx\"/><item id=\"c1\" href=\"章节/第一章.xhtml\"/>"
         "<item id=\"c2\" href=\"章节/后记.xhtml\"/><item id=\"css\" href=\"样式/主要.css\"/>"
         "<item id=\"img\" href=\"图像/封面.png\"/><item id=\"f\" href=\"字体/书体.ttf\"/>"
         "</manifest><spine><itemref idref=\"c1\"/><itemref idref=\"c2\"/></spine></package>"},
        {"OEBPS/目录.xhtml",
         xhtml + "</head><body><nav><a href=\"章节/第一章.xhtml\">第一章</a>"
                 "<a href=\"章节/后记.xhtml#后记开始\">后记</a></nav></body></html>"},
        {"OEBPS/目录.ncx",
         "<ncx><navMap><navPoint><content src=\"章节/后记.xhtml#后记开始\"/>"
         "</navPoint></navMap></ncx>"},
        {"OEBPS/章节/第一章.xhtml",
         xhtml +
             "<link href=\"../样式/主要.css\"/><style>p{background:url(../图像/封面.png)}</style>"
             "</head><body><p>这是第一章。</p><img src=\"../图像/封面.png\"/>"
             "<svg><image href=\"../图像/封面.png\"/></svg>"
             "<a href=\"后记.xhtml#后记开始\">后记</a><a href=\"#开头\" id=\"开头\">开头</a>"
             "</body></html>"},
        {"OEBPS/章节/后记.xhtml",
         xhtml + "</head><body><h1 id=\"后记开始\">后记</h1></body></html>"},
        {"OEBPS/样式/主要.css",
         "@font-face{font-family:book;src:url(../字体/书体.ttf)}\n"
         "body{background:url(\"../图像/封面.png\")}\n"},
        {"OEBPS/图像/封面.png", BinaryBytes(1)},
        {"OEBPS/字体/书体.ttf", BinaryBytes(2)},
    };
}

TEST_F(BookJobProfilesTest, EveryReferenceLeadsToItsFileInEveryProfile) {
    const std::string book = temp / "linked.epub";
    WriteZip(book, LinkedBook());
    ASSERT_EQ(BrokenReferences(Unpacked(book, "source")), std::vector<std::string>{});
    for (Profile profile : kAllProfiles) {
        const std::string name(text::InfoOf(profile).name);
        const BookOutcome outcome = Convert(book, profile, false);
        ASSERT_TRUE(outcome.IsConverted()) << name << ": " << outcome.reason;
        const std::string output = Unpacked(Output(book), name);
        EXPECT_EQ(BrokenReferences(output), std::vector<std::string>{}) << name;
        EXPECT_EQ(ReadArchive(Output(book)).size(), LinkedBook().size()) << name;
        // Files and folders renamed, resources unchanged.
        EXPECT_TRUE(std::filesystem::exists(output + "/OEBPS/章節/後記.xhtml")) << name;
        const std::string image =
            output + "/" + ConverterOf(profile)->Convert("OEBPS/图像/封面.png");
        EXPECT_EQ(ReadFileBytes(image), BinaryBytes(1)) << name;
        // Every name that is not ASCII carries the UTF-8 flag, in both headers.
        for (const auto& [entry, flags] : EntryFlags(Output(book))) {
            const bool ascii =
                std::all_of(entry.begin(), entry.end(), [](char c) { return (c & 0x80) == 0; });
            EXPECT_EQ(flags.first & 0x800, ascii ? 0 : 0x800) << name << " " << entry;
            EXPECT_EQ(flags.second & 0x800, ascii ? 0 : 0x800) << name << " " << entry;
        }
    }
    EXPECT_EQ(messages, std::vector<std::string>{});
}

TEST_F(BookJobProfilesTest, TwoNamesThatWouldBecomeOneRefuseTheBookAndNothingIsPacked) {
    const std::vector<std::pair<std::string, std::vector<ZipEntryPlan>>> cases{
        {"files", {{"OEBPS/后记.xhtml", "<p>后记</p>"}, {"OEBPS/後記.xhtml", "<p>後記</p>"}}},
        {"folders", {{"OEBPS/后记/a.xhtml", "<p>甲</p>"}, {"OEBPS/後記/b.xhtml", "<p>乙</p>"}}},
        {"deep", {{"OEBPS/图/后记", "一"}, {"OEBPS/图/後記", "二"}}}};
    for (Profile profile : {Profile::Char, Profile::S2t}) {
        for (const auto& [what, entries] : cases) {
            std::vector<ZipEntryPlan> all = SampleBookEntries();
            all.insert(all.end(), entries.begin(), entries.end());
            const std::string book = temp / "books/twins.epub";
            std::filesystem::create_directories(temp / "books");
            WriteZip(book, all);
            const BookOutcome outcome = Convert(book, profile);
            EXPECT_FALSE(outcome.IsConverted()) << what;
            EXPECT_NE(outcome.reason.find("转换后同名，无法处理"), std::string::npos)
                << what << ": " << outcome.reason;
            EXPECT_EQ(NamesIn(temp / "books"), std::set<std::string>{"twins.epub"}) << what;
        }
    }
}

// The text files that the job converts, by their path in the book.
std::map<std::string, std::string> TextFilesUnder(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            const std::string bytes = ReadFileBytes(entry.path());
            if (text::IsTakenForUtf8Text(bytes)) {
                files[std::filesystem::relative(entry.path(), root).string()] = bytes;
            }
        }
    }
    return files;
}

// The text with its language tags masked: the job retags them on purpose.
std::string WithoutLanguageTags(const std::string& text) {
    static const std::regex tag(R"re((lang="|<dc:language>)[^"<]*)re");
    return std::regex_replace(text, tag, "$1?");
}

// What the opencc command makes of each file and its path, in one run: no phrase holds a line
// break, so the files, each on lines of its own between ASCII marks, are converted apart.
std::map<std::string, std::string> ConvertedByOpencc(
    const std::map<std::string, std::string>& files, const std::string& profile,
    const std::string& scratch) {
    const std::string mark = "\n@@corvela@@\n";
    std::string joined;
    for (const auto& [path, bytes] : files) {
        joined += path + mark + bytes + mark;
    }
    WriteFileBytes(scratch, joined);
    const std::string output =
        RunShellCommand("opencc -c " + profile + ".json -i " + ShellQuoted(scratch)).standardOutput;
    std::map<std::string, std::string> converted;
    for (std::size_t at = 0; at < output.size();) {
        const std::size_t pathEnd = output.find(mark, at);
        const std::size_t bytesEnd = output.find(mark, pathEnd + mark.size());
        if (bytesEnd == std::string::npos) {
            break;
        }
        converted[output.substr(at, pathEnd - at)] =
            output.substr(pathEnd + mark.size(), bytesEnd - pathEnd - mark.size());
        at = bytesEnd + mark.size();
    }
    return converted;
}

TEST_F(BookJobProfilesTest, PhraseProfilesConvertASampleBookAsTheOpenccCommandDoes) {
    for (const char* sample : {"packed/template.epub", "packed/simpleEpub.epub"}) {
        const std::string book = temp / "sample.epub";
        std::filesystem::copy_file(CORVELA_CORPUS_DIR "/" + std::string(sample), book,
                                   std::filesystem::copy_options::overwrite_existing);
        const std::string source =
            Unpacked(book, "source-" + std::filesystem::path(sample).stem().string());
        for (Profile profile : {Profile::S2t, Profile::S2tw, Profile::S2twp, Profile::S2hk}) {
            const std::string name(text::InfoOf(profile).name);
            ASSERT_TRUE(Convert(book, profile, false).IsConverted()) << name;
            const std::map<std::string, std::string> converted = TextFilesUnder(
                Unpacked(Output(book), name + "-" + std::filesystem::path(sample).stem().string()));
            const std::map<std::string, std::string> expected =
                ConvertedByOpencc(TextFilesUnder(source), name, temp / "opencc.txt");
            ASSERT_EQ(converted.size(), expected.size()) << name << " " << sample;
            for (const auto& [path, bytes] : expected) {
                ASSERT_TRUE(converted.count(path)) << name << " " << path;
                EXPECT_EQ(WithoutLanguageTags(converted.at(path)), WithoutLanguageTags(bytes))
                    << name << " " << path;
            }
        }
    }
}

TEST_F(BookJobProfilesTest, StylesheetAndFontRuleAsTheProfileAndTheSwitchSay) {
    const std::string noStylesheet = PackedSample("trees/css-epub-writing-mode");
    const BookOutcome refused = Convert(noStylesheet, Profile::Char);
    EXPECT_FALSE(refused.IsConverted());
    EXPECT_EQ(refused.reason, "书中没有样式表（.css），无法加入字型规则");
    for (Profile profile : {Profile::S2t, Profile::S2tw, Profile::S2twp, Profile::S2hk}) {
        const BookOutcome outcome = Convert(noStylesheet, profile);
        EXPECT_TRUE(outcome.IsConverted()) << outcome.reason;
        EXPECT_EQ(ReadArchive(Output(noStylesheet)).size(), ReadArchive(noStylesheet).size());
    }
    const std::string book = temp / "novel.epub";
    WriteZip(book, SampleBookEntries());
    for (Profile profile : kAllProfiles) {
        ASSERT_TRUE(Convert(book, profile, false).IsConverted());
        EXPECT_EQ(ReadArchive(Output(book))["OEBPS/style.css"], "body { margin: 0; }\n");
        ASSERT_TRUE(Convert(book, profile, true).IsConverted());
        EXPECT_NE(ReadArchive(Output(book))["OEBPS/style.css"].find("res:///"), std::string::npos);
    }
}

}  // namespace
