#include <benchmark/benchmark.h>

#include <string>

#include "bench/text/SampleText.hpp"
#include "text/content/BookTextConversion.hpp"
#include "text/profile/ConversionProfile.hpp"

// ConvertBookText against the converter alone on the same text: the price of reading the markup
// for references, ids, font names and language tags.
namespace {

constexpr std::size_t kTextSize = 10 * 1024 * 1024;

const std::string& SampleOf(int sample) {
    static const std::string chinese = bench_text::ChineseXhtml(kTextSize);
    static const std::string markup = bench_text::AsciiHeavyMarkup(kTextSize);
    return sample == 0 ? chinese : markup;
}

void BM_ConverterAlone(benchmark::State& state) {
    const std::string& content = SampleOf(static_cast<int>(state.range(0)));
    const auto converter = text::LoadConverter(text::Profile::Char).converter;
    for (auto _ : state) {
        std::string out;
        out.reserve(content.size() + content.size() / 8);  // as ConvertBookText reserves
        converter->Convert(content, out);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(content.size()));
}

void BM_ConvertBookText(benchmark::State& state) {
    const std::string& content = SampleOf(static_cast<int>(state.range(0)));
    const auto converter = text::LoadConverter(text::Profile::Char).converter;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text::ConvertBookText(content, text::BookTextKind::Markup,
                                                       *converter, text::Profile::Char));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(content.size()));
}

// With the quotation marks of every paragraph paired and converted.
void BM_ConvertBookTextWithQuotes(benchmark::State& state) {
    const std::string& content = SampleOf(static_cast<int>(state.range(0)));
    const auto converter = text::LoadConverter(text::Profile::Char).converter;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text::ConvertBookText(content, text::BookTextKind::Markup,
                                                       *converter, text::Profile::Char,
                                                       {true, text::PageLayout::AsBook}));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(content.size()));
}

}  // namespace

// Argument 0: Chinese paragraphs; 1: markup-heavy text.
BENCHMARK(BM_ConverterAlone)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertBookText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertBookTextWithQuotes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
