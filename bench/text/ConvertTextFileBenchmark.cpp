#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "bench/text/SampleText.hpp"
#include "tests/support/TempFolder.hpp"
#include "text/convert/ScriptConversion.hpp"
#include "text/convert/ScriptMapping.hpp"
#include "text/unicode/Utf8Codec.hpp"

namespace {

constexpr std::size_t kFileSize = 10 * 1024 * 1024;

// Sends standard output to /dev/null while it lives: the conversion prints a line per file,
// which would fill the benchmark's own report.
class SilencedStdout {
  public:
    SilencedStdout() {
        std::cout.flush();
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    SilencedStdout(const SilencedStdout&) = delete;
    SilencedStdout& operator=(const SilencedStdout&) = delete;
    ~SilencedStdout() {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }

  private:
    int saved_ = -1;
};

// Converts a fresh copy of content per iteration; writing the copy is not timed.
void ConvertFile(benchmark::State& state, const std::string& content) {
    text::SimplifiedToTraditional();  // the table is built once per process, not per file
    testing_support::TempFolder folder;
    const std::string path = folder / "chapter.xhtml";
    const SilencedStdout silenced;
    for (auto _ : state) {
        state.PauseTiming();
        testing_support::WriteFileBytes(path, content);
        state.ResumeTiming();
        if (ConvertTextFile(path) != 1) {
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

// The in-memory part alone: decode, map, encode.
void BM_DecodeMapEncodeChinese(benchmark::State& state) {
    static const std::string content = bench_text::ChineseXhtml(kFileSize);
    const auto* bytes = reinterpret_cast<const unsigned char*>(content.data());
    const text::ScriptMapping& mapping = text::SimplifiedToTraditional();
    std::vector<char16_t> units(content.size() + 1);
    std::vector<unsigned char> output(3 * content.size() + 1);
    for (auto _ : state) {
        const auto decoded = text::DecodeUtf8(units.data(), content.size(), bytes, content.size());
        int errorNumber = 0;
        mapping.Map({units.data(), decoded.units}, {units.data(), decoded.units}, errorNumber);
        units[decoded.units] = 0;
        benchmark::DoNotOptimize(text::EncodeUtf8(output.data(), output.size(), units.data()));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(content.size()));
}

}  // namespace

BENCHMARK(BM_ConvertChineseXhtml)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertAsciiHeavyMarkup)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeMapEncodeChinese)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
