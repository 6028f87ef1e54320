// Converts one book as the job does, in a chosen profile, for the benchmark scripts:
//   convert_book_driver PROFILE on|off BOOK OUTPUT
// ("off": no font rule). Exit status 0 when converted, 1 when not (the reason on standard
// error), 2 for a usage error.
#include <cstdio>
#include <string>

#include "book/BookConverter.hpp"

int main(int argc, char** argv) {
    const std::string fontRule = argc == 5 ? argv[2] : "";
    const std::optional<text::Profile> profile =
        argc == 5 ? text::ProfileNamed(argv[1]) : std::nullopt;
    if (!profile || (fontRule != "on" && fontRule != "off")) {
        std::fprintf(stderr, "usage: convert_book_driver PROFILE on|off BOOK OUTPUT\n");
        return 2;
    }
    JobOptions options;
    options.profile = *profile;
    options.fontRule = fontRule == "on";
    CBookConverter job;
    const BookOutcome outcome = job.ConvertBook(options, argv[3], argv[4]);
    if (!outcome.IsConverted()) {
        std::fprintf(stderr, "%s\n", outcome.reason.c_str());
        return 1;
    }
    return 0;
}
