// Phrase profiles: our converter against libopencc and the character table on the same text (for
// a profile to Simplified, that text in Traditional script), and what loading each costs.
// bench/text/phrase-bench.sh turns one run into ratios.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/OpenccConverter.hpp"
#include "tests/support/TempFolder.hpp"
#include "text/convert/CharacterTableConverter.hpp"
#include "text/convert/ScriptMapping.hpp"
#include "text/phrase/PhraseConverter.hpp"
#include "text/phrase/TableCache.hpp"
#include "text/profile/ConversionProfile.hpp"

namespace {

constexpr std::size_t kTextSize = 4 * 1024 * 1024;

// Sentences of several registers (news, fiction, classical, technical) in a shuffled order, so
// that the text is not one paragraph over and over.
std::string MixedChineseXhtml(std::size_t size) {
    static const std::vector<std::string> kSentences = {
        "这是一个用简体中文写的段落，我们用它来测试转换的速度。",
        "书里有很多常用汉字，例如发展、头发、国家、学习、经济、历史、电脑、网络、时间、问题。",
        "他说：“为了实现这个目标，我们必须继续努力，团结一致，共同前进。”",
        "太后的头发很干燥，她坐在窗前，看着远处的山和云。",
        "燕燕于飞，差池其羽。之子于归，远送于野。",
        "鼠标里面的硅二极管坏了，导致光标分辨率降低。",
        "我们在老挝的服务器的硬盘需要使用互联网算法软件解决异步的问题。",
        "曾经有一份真诚的爱情放在我面前，我没有珍惜，等我失去的时候我才后悔莫及。",
        "烟斗里的烟丝早已燃尽，他却一直没有发觉，只顾着翻那本杂志。",
        "尽管天气不好，比赛还是准时开始了，观众们在雨中为运动员加油。",
        "这个程序的数据结构很复杂，开发人员花了几个月时间才完成。",
        "面对这样的局面，他只能暂时放下手里的工作，回到家乡去照顾母亲。",
    };
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html><body>\n";
    std::uint32_t state = 12345;
    while (text.size() < size) {
        text += "<p>";
        for (int i = 0; i < 4; ++i) {
            state = state * 1103515245u + 12345u;
            text += kSentences[(state >> 16) % kSentences.size()];
        }
        text += "</p>\n";
    }
    return text + "</body></html>\n";
}

const std::string& Text() {
    static const std::string text = MixedChineseXhtml(kTextSize);
    return text;
}

std::string ConfigOf(const char* profile) {
    return text::OpenccDataFolder() + "/" + profile + ".json";
}

// The profiles, each with the one whose output of the mixed text is its input: a profile to
// Simplified reads the Traditional text of its counterpart.
struct BenchProfile {
    const char* name;
    const char* inputFrom;  // nullptr: the mixed Simplified text itself
};
constexpr BenchProfile kProfiles[] = {
    {"s2t", nullptr}, {"s2tw", nullptr}, {"s2twp", nullptr}, {"s2hk", nullptr},
    {"t2s", "s2t"},   {"tw2s", "s2tw"},  {"tw2sp", "s2twp"}, {"hk2s", "s2hk"},
};

// The input of profile, made before its converter is loaded (a process runs one benchmark).
std::string InputOf(const BenchProfile& profile) {
    if (profile.inputFrom == nullptr) {
        return Text();
    }
    return text::PhraseConverter(ConfigOf(profile.inputFrom)).Convert(Text());
}

void RunConverter(benchmark::State& state, const text::TextConverter& converter,
                  const std::string& input) {
    std::string out;
    for (auto _ : state) {
        out.clear();
        converter.Convert(input, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
}

void BM_CharacterTable(benchmark::State& state) {
    const text::CharacterTableConverter converter(text::SimplifiedToTraditional());
    RunConverter(state, converter, Text());
}

void BM_Phrase(benchmark::State& state, BenchProfile profile) {
    const std::string input = InputOf(profile);
    const text::PhraseConverter converter(ConfigOf(profile.name));
    state.counters["tableMB"] = static_cast<double>(converter.MemoryBytes()) / 1e6;
    RunConverter(state, converter, input);
}

void BM_Opencc(benchmark::State& state, BenchProfile profile) {
    const std::string input = InputOf(profile);
    const testing_support::OpenccConverter converter(ConfigOf(profile.name));
    RunConverter(state, converter, input);
}

void BM_PhraseLoad(benchmark::State& state, const char* profile) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::make_unique<text::PhraseConverter>(ConfigOf(profile)));
    }
}

// Loading from the table cache, as a process with a warm cache does; tableMB: the file's size.
void BM_CachedLoad(benchmark::State& state, const char* profile) {
    const testing_support::TempFolder cache;
    const std::string file = cache / "tables";
    if (text::WriteTableCache(text::PhraseConverter(ConfigOf(profile)), file, ConfigOf(profile)) !=
        0) {
        state.SkipWithError("cannot write the cache");
        return;
    }
    state.counters["fileMB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text::ReadTableCache(file, ConfigOf(profile)));
    }
}

void BM_OpenccLoad(benchmark::State& state, const char* profile) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            std::make_unique<testing_support::OpenccConverter>(ConfigOf(profile)));
    }
}

void RegisterAll() {
    benchmark::RegisterBenchmark("CharacterTable", BM_CharacterTable)
        ->Unit(benchmark::kMillisecond);
    for (const BenchProfile& profile : kProfiles) {
        const std::string name(profile.name);
        benchmark::RegisterBenchmark(("Phrase/" + name).c_str(), BM_Phrase, profile)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Opencc/" + name).c_str(), BM_Opencc, profile)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("PhraseLoad/" + name).c_str(), BM_PhraseLoad, profile.name)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("OpenccLoad/" + name).c_str(), BM_OpenccLoad, profile.name)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("CachedLoad/" + name).c_str(), BM_CachedLoad, profile.name)
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
