#include <benchmark/benchmark.h>

#include <string>

#include "bench/text/SampleText.hpp"
#include "book/tree/TextFileRewrite.hpp"
#include "tests/support/TempFolder.hpp"

// The job's conversion of one text file: read whole, converted as book text, written back.
namespace {

constexpr std::size_t kFileSize = 10 * 1024 * 1024;

// Converts a fresh copy of content per iteration with the character table, loaded once as a
// batch loads it; writing the copy is not timed.
void ConvertFile(benchmark::State& state, const std::string& content) {
    const auto converter = text::LoadConverter(text::Profile::Char).converter;
    const TextConversion conversion{*converter, text::Profile::Char};
    testing_support::TempFolder folder;
    const std::string path = folder / "chapter.xhtml";
    for (auto _ : state) {
        state.PauseTiming();
        testing_support::WriteFileBytes(path, content);
        state.ResumeTiming();
        if (ConvertTextFile(path, "chapter.xhtml", conversion)) {
            state.SkipWithError("the conversion failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(content.size()));
}

void BM_ConvertChineseXhtml(benchmark::State& state) {
    static const std::string content = bench_text::ChineseXhtml(kFileSize);
    ConvertFile(state, content);
}

void BM_ConvertAsciiHeavyMarkup(benchmark::State& state) {
    static const std::string content = bench_text::AsciiHeavyMarkup(kFileSize);
    ConvertFile(state, content);
}

}  // namespace

BENCHMARK(BM_ConvertChineseXhtml)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertAsciiHeavyMarkup)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
