#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/text/SampleText.hpp"
#include "text/content/BookTextConversion.hpp"
#include "text/phrase/UserPhrases.hpp"
#include "text/profile/ConversionProfile.hpp"
#include "text/unicode/Utf8Codec.hpp"

// The price of the reader's phrases on a chapter: the profile alone, then with a list of a
// hundred or ten thousand entries of two characters that start with the text's own characters,
// so that most characters start some key; with words, sixteen of them are words of the text,
// found about every ninth character.
namespace {

constexpr std::size_t kTextSize = 10 * 1024 * 1024;
constexpr const char* kWords[] = {"头发", "电脑", "网络", "历史", "经济", "国家", "学习", "飞机",
                                  "门口", "鸟儿", "车辆", "东西", "问题", "关系", "时间", "目标"};

const std::string& Chapter() {
    static const std::string chapter = bench_text::ChineseXhtml(kTextSize);
    return chapter;
}

std::shared_ptr<const text::UserPhrases> PhrasesOf(std::size_t count, bool words) {
    text::Dictionary entries;
    for (const char* word : kWords) {
        if (words && entries.size() < count) {
            entries.push_back({word, word});
        }
    }
    const std::string starts = "这是一个用简体中文写的段落我们它来测试转换速度书里有很多常用汉字";
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; entries.size() < count; ++i) {
        std::string key = starts.substr((i % (starts.size() / 3)) * 3, 3);
        seed = seed * 1664525u + 1013904223u;
        text::AppendUtf8(0x4E00 + (seed >> 8) % 0x51A0, key);
        entries.push_back({key, key});
    }
    return std::make_shared<const text::UserPhrases>(entries);
}

void BM_BookTextWithUserPhrases(benchmark::State& state) {
    const auto profile = static_cast<text::Profile>(state.range(0));
    const auto converter =
        text::LoadConverter(
            profile, PhrasesOf(static_cast<std::size_t>(state.range(1)), state.range(2) != 0))
            .converter;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            text::ConvertBookText(Chapter(), text::BookTextKind::Markup, *converter, profile));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Chapter().size()));
}

}  // namespace

// Arguments: the profile (0: char, 3: s2twp), the number of entries, with words (1) or not.
BENCHMARK(BM_BookTextWithUserPhrases)
    ->ArgsProduct({{0, 3}, {0, 100, 10000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
