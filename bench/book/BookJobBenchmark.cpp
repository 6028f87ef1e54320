// Times the book job on one large generated book, step by step (unpack, injection, conversion in
// the default and the s2twp profile, pack), the whole job in both profiles, and unzip + zip alone
// on the same book.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "bench/text/SampleText.hpp"
#include "book/archive/ArchiverCommands.hpp"
#include "book/tree/ContentStep.hpp"
#include "book/tree/ParallelTasks.hpp"
#include "book/tree/TextFileRewrite.hpp"
#include "platform/Process.hpp"
#include "tests/support/BookFiles.hpp"
#include "tests/support/TempFolder.hpp"
#include "text/content/FontInjection.hpp"

namespace {

using testing_support::TempFolder;
using testing_support::WriteFileBytes;

constexpr int kChapters = 40;
constexpr std::size_t kChapterBytes = 200 * 1024;

// Common characters, many of them with a Traditional form of their own.
constexpr const char* kCommonCharacters =
    "的一是不了人我在有他这中大来上国个到说们为子和你地出道也时年得就那要下以生会自着去之过家学"
    "对可她里后小么心多天而能好都然没日于起还发成事只作当想看文无开手十用主行方又如前所本见经头面"
    "公同三已老从动两长知民样现分将外但身些与高意进把法此实回二理美点月明其种声全工己话儿者向情部"
    "正名定女问力机给等几很业最间新什打便位因重被走电四第门相次东政海口使教西再平真听世气信北少关"
    "并内加化由却代军产入先山五太水万市眼体别处总才场师书比住员九笑性通目华报立马命张活难神数件安"
    "表原车白应路期叫死常提感金何更反合放做系计或司利受光王果亲界及今京务制解各任至清物台象记边共"
    "风战干接它许八特觉望直服毛林题建南度统色字请交爱让认算论百吃义科怎元社术结六功指思非流每青管"
    "夫连远资队跟带花快条院变联言权往展该领传近留红治决周保达办运武半候七必城父强步完革深区即求品"
    "士转量空甚众技轻程告江语英基派满式李息写呢识极令黄德收脸钱党倒未持音营块欢号飞组医乐汉术龙";

// A chapter of pseudo-random Simplified text with punctuation and paragraphs: it compresses about
// as real prose does, unlike one paragraph repeated.
std::string NovelChapter(std::size_t size, unsigned seed) {
    const std::string characters = kCommonCharacters;
    const std::size_t count = characters.size() / 3;
    std::string text =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html "
        "xmlns=\"http://www.w3.org/1999/xhtml\">\n<head><title>章</title></head>\n<body>\n<p>";
    unsigned state = seed;
    for (std::size_t n = 1; text.size() < size; ++n) {
        state = state * 1103515245u + 12345u;
        text += characters.substr((state >> 8) % count * 3, 3);
        if (n % 97 == 0) {
            text += "。</p>\n<p>";
        } else if ((state >> 20) % 13 == 0) {
            text += (state >> 24) % 3 ? "，" : "。";
        }
    }
    return text + "</p>\n</body>\n</html>\n";
}

enum class Text { Novel, RepeatedParagraph };

// Packs tree into book as a real EPUB would be: mimetype first and stored, the rest deflated.
void PackTree(const std::string& tree, const std::string& book) {
    using testing_support::ShellQuoted;
    const std::string zip = " LC_ALL=C.UTF-8 zip -qX";
    testing_support::RunShellCommand("cd " + ShellQuoted(tree) + " &&" + zip + "0 " +
                                     ShellQuoted(book) + " mimetype &&" + zip + "r9 " +
                                     ShellQuoted(book) + " . -x mimetype");
}

// A book of kChapters Simplified chapters (about 8 MB of text), a stylesheet and two images.
class LargeBook {
  public:
    explicit LargeBook(Text kind) {
        const std::string tree = folder / "tree";
        std::filesystem::create_directories(tree + "/META-INF");
        std::filesystem::create_directories(tree + "/OEBPS/images");
        for (const testing_support::ZipEntryPlan& entry : testing_support::SampleBookEntries()) {
            const std::string path = tree + "/" + entry.name;
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            WriteFileBytes(path, entry.bytes);
        }
        for (int i = 0; i < kChapters; ++i) {
            WriteFileBytes(tree + "/OEBPS/chapter" + std::to_string(i) + ".xhtml",
                           kind == Text::Novel ? NovelChapter(kChapterBytes, i + 1u)
                                               : bench_text::ChineseXhtml(kChapterBytes));
        }
        std::string image;
        for (int i = 0; i < 1024; ++i) {
            image += testing_support::BinaryBytes(static_cast<char>(i));
        }
        WriteFileBytes(tree + "/OEBPS/images/a.png", image);
        WriteFileBytes(tree + "/OEBPS/images/b.jpg", image);
        PackTree(tree, book);
        std::filesystem::remove_all(tree);
    }

    TempFolder folder;
    const std::string book = folder / "large.epub";
    const std::string unpacked = folder / "large";
    const std::string output = folder / "large_corvela.epub";
};

void Clean(const LargeBook& large) {
    std::filesystem::remove_all(large.unpacked);
    std::filesystem::remove(large.output);
}

void Unpack(const LargeBook& large) {
    std::filesystem::create_directory(large.unpacked);
    platform::RunTool(BuildUnzipExtractCommand(large.book, large.unpacked), "");
}

void Pack(const LargeBook& large) {
    platform::RunTool(BuildZipMimetypeCommand(large.output), large.unpacked);
    platform::RunTool(BuildZipPackCommand(large.output) + kZipExcludeMimetype, large.unpacked);
}

using BookStep = std::function<void(const LargeBook&)>;

void Step(benchmark::State& state, const LargeBook& large, const BookStep& prepare,
          const BookStep& step) {
    for (auto _ : state) {
        state.PauseTiming();
        Clean(large);
        prepare(large);
        state.ResumeTiming();
        step(large);
    }
    Clean(large);
}

void Nothing(const LargeBook&) {}

void Inject(const LargeBook& large) {
    ReplaceFileContents(large.unpacked + "/OEBPS/style.css", "OEBPS/style.css",
                        text::InjectFontStylesheet);
}

// The job's conversion step on all hardware threads, with the profile's converter loaded
// beforehand.
void ConvertIn(const text::LoadedConverter& loaded, text::Profile profile, const LargeBook& large) {
    ConvertTree(large.unpacked, {*loaded.converter, profile}, {}, WorkerCount());
}

void UnzipAndZipAlone(const LargeBook& large) {
    Unpack(large);
    platform::RunTool(BuildZipPackCommand(large.output), large.unpacked);
}

// The whole job in the profile, loading of the converter included, as a batch of one book.
void WholeJobIn(const char* profile, const LargeBook& large) {
    platform::RunTool(std::string("\"") + CORVELA_DRIVER_PATH + "\" " + profile + " on \"" +
                          large.book + "\" \"" + large.output + "\"",
                      "");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const LargeBook novel(Text::Novel);
    const LargeBook repeated(Text::RepeatedParagraph);
    const text::LoadedConverter table = text::LoadConverter(text::Profile::Char);
    const text::LoadedConverter phrases = text::LoadConverter(text::Profile::S2twp);
    if (!table.converter || !phrases.converter) {
        std::fprintf(stderr, "%s%s\n", table.error.c_str(), phrases.error.c_str());
        return 1;
    }
    struct Entry {
        const char* name;
        BookStep prepare;
        BookStep step;
    };
    const Entry entries[] = {
        {"1_unpack", Nothing, Unpack},
        {"2_injection", Unpack, Inject},
        {"3_conversion_char", Unpack,
         [&](const LargeBook& l) { ConvertIn(table, text::Profile::Char, l); }},
        {"3_conversion_s2twp", Unpack,
         [&](const LargeBook& l) { ConvertIn(phrases, text::Profile::S2twp, l); }},
        {"4_pack", Unpack, Pack},
        {"job_default", Nothing, [](const LargeBook& l) { WholeJobIn("char", l); }},
        {"job_s2twp", Nothing, [](const LargeBook& l) { WholeJobIn("s2twp", l); }},
        {"unzip_plus_zip_alone", Nothing, UnzipAndZipAlone},
    };
    for (const auto& [bookName, large] : {std::pair{"novel", &novel}, {"repeated", &repeated}}) {
        for (const Entry& entry : entries) {
            benchmark::RegisterBenchmark((std::string(bookName) + "/" + entry.name).c_str(),
                                         [large, entry](benchmark::State& state) {
                                             Step(state, *large, entry.prepare, entry.step);
                                         })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(1)
                ->Repetitions(7)
                ->ReportAggregatesOnly(true);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
