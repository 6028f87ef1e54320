// A small driver for bench/text/compare-opencc.sh:
//   convert_text_driver --write-sample PATH   writes the benchmark's Chinese XHTML to PATH
//   convert_text_driver --peak-memory PATH    converts PATH in place and prints the growth of
//                                             peak resident memory per byte of the file
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/text/SampleText.hpp"
#include "book/tree/TextFileRewrite.hpp"
#include "tests/support/TempFolder.hpp"

namespace {

constexpr std::size_t kFileSize = 10 * 1024 * 1024;

long PeakResidentKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int MeasurePeakMemory(const std::string& path) {
    const auto size = std::filesystem::file_size(path);
    // The table is loaded once per batch, not per file.
    const auto converter = text::LoadConverter(text::Profile::Char).converter;
    const long before = PeakResidentKilobytes();
    const std::optional<std::string> failure =
        ConvertTextFile(path, "sample.xhtml", {*converter, text::Profile::Char});
    const long after = PeakResidentKilobytes();
    const double perByte = static_cast<double>(after - before) * 1024.0 / static_cast<double>(size);
    std::printf(
        "\nresult %s\nfile bytes %llu\npeak resident growth %ld KiB\nbytes per file byte %.2f\n",
        failure.value_or("converted").c_str(), static_cast<unsigned long long>(size),
        after - before, perByte);
    return failure ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode == "--write-sample") {
        testing_support::WriteFileBytes(argv[2], bench_text::ChineseXhtml(kFileSize));
        return 0;
    }
    if (mode == "--peak-memory") {
        return MeasurePeakMemory(argv[2]);
    }
    std::fprintf(stderr, "usage: %s --write-sample PATH | --peak-memory PATH\n", argv[0]);
    return 2;
}
