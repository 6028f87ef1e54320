// Converts one book as the job does, in a chosen profile, for the benchmark scripts:
//   convert_book_driver PROFILE on|off BOOK OUTPUT [builtin]
// ("off": no font rule; "builtin": the built-in archive path). Exit status 0 when converted, 1 when
// not (the reason on standard error), 2 for a usage error. The phrase profiles' tables are cached
// where the command line keeps them ($XDG_CACHE_HOME/Corvela), as a user's runs find them.
#include <cstdio>
#include <string>

#include "book/BookConverter.hpp"
#include "book/UserPhraseFiles.hpp"

int main(int argc, char** argv) {
    const bool counted = argc == 5 || (argc == 6 && std::string(argv[5]) == "builtin");
    const std::string fontRule = counted ? argv[2] : "";
    const std::optional<text::Profile> profile =
        counted ? text::ProfileNamed(argv[1]) : std::nullopt;
    if (!profile || (fontRule != "on" && fontRule != "off")) {
        std::fprintf(stderr, "usage: convert_book_driver PROFILE on|off BOOK OUTPUT [builtin]\n");
        return 2;
    }
    JobOptions options;
    options.profile = *profile;
    options.fontRule = fontRule == "on";
    options.builtinZip = argc == 6;
    options.tableCacheFolder = PerUserCacheFolder();
    CBookConverter job;
    const BookOutcome outcome = job.ConvertBook(options, argv[3], argv[4]);
    if (!outcome.IsConverted()) {
        std::fprintf(stderr, "%s\n", outcome.reason.c_str());
        return 1;
    }
    return 0;
}
