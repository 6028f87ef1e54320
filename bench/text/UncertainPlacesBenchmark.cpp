#include <benchmark/benchmark.h>

#include <string>

#include "bench/text/SampleText.hpp"
#include "book/report/BookReport.hpp"
#include "book/tree/TextFileRewrite.hpp"
#include "text/profile/ConversionProfile.hpp"

// The text step's transform of a Chinese chapter (its conversion, without the file's reading and
// writing) without a report, noting the uncertain places alone, and with the report's whole
// watch (places, changed characters, and the text kept for the fonts, or not, for a book without
// fonts): what --report costs, against the step's processor work alone. One run shows them side
// by side (interleaved: --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true).
namespace {

constexpr std::size_t kTextSize = 8 * 1024 * 1024;

// A watch that takes the places and lets everything else go: the collector's own price.
class PlacesOnly final : public TextStepWatch {
  public:
    void Converted(const std::string&, text::BookTextKind, std::string_view,
                   const text::UncertainPlaces& places) override {
        benchmark::DoNotOptimize(places.Total());
    }
};

text::Profile ProfileOf(const benchmark::State& state) {
    return state.range(0) == 0 ? text::Profile::Char : text::Profile::S2twp;
}

void Run(benchmark::State& state, TextStepWatch* watch) {
    static const std::string content = bench_text::ChineseXhtml(kTextSize);
    const text::Profile profile = ProfileOf(state);
    const auto converter = text::LoadConverter(profile).converter;
    const TextConversion conversion{*converter, profile, {}, watch};
    const ContentTransform transform = TextConversionOf("chapter.xhtml", conversion, "chapter");
    for (auto _ : state) {
        benchmark::DoNotOptimize(transform(content));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(content.size()));
    state.SetLabel(std::string(text::InfoOf(profile).name));
}

void BM_TextStepWithoutReport(benchmark::State& state) {
    Run(state, nullptr);
}

void BM_TextStepNotingPlaces(benchmark::State& state) {
    PlacesOnly watch;
    Run(state, &watch);
}

void BM_TextStepWithReport(benchmark::State& state) {
    BookReport report;
    Run(state, &report);
}

// A book that embeds no fonts: its converted texts are not kept.
void BM_TextStepWithReportNoFonts(benchmark::State& state) {
    BookReport report;
    report.ExpectFonts(false);
    Run(state, &report);
}

}  // namespace

// Argument 0: char; 1: s2twp.
BENCHMARK(BM_TextStepWithoutReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextStepNotingPlaces)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextStepWithReport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextStepWithReportNoFonts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
