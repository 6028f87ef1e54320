// Converts generated texts with the phrase converter and with libopencc in every phrase profile
// and counts the texts whose outputs differ. Usage: phrase_diff [COUNT [SEED]]; COUNT texts per
// profile. Exit status 0 when none differ.
#include <cstdlib>
#include <iostream>
#include <string>

#include "bench/text/PhraseCases.hpp"
#include "tests/support/OpenccConverter.hpp"
#include "text/phrase/PhraseConverter.hpp"
#include "text/profile/ConversionProfile.hpp"

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    const unsigned long long seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    long total = 0;
    long differences = 0;
    for (const text::ProfileInfo& info : text::AllProfiles()) {
        if (!text::IsPhraseProfile(info.profile)) {
            continue;
        }
        const std::string config =
            text::OpenccDataFolder() + "/" + std::string(info.name) + ".json";
        const text::OpenccConfiguration configuration = text::ReadOpenccConfiguration(config);
        const text::PhraseConverter ours(configuration);
        const testing_support::OpenccConverter reference(config);
        testing_support::PhraseCaseGenerator cases(configuration, seed);
        long profileDifferences = 0;
        for (long i = 0; i < count; ++i) {
            const std::string input = cases.Next();
            const std::string want = reference.Convert(input);
            const std::string got = ours.Convert(input);
            if (got != want && ++profileDifferences <= 5) {
                std::cout << info.name << " differs on [" << input << "]: libopencc [" << want
                          << "], ours [" << got << "]\n";
            }
        }
        std::cout << info.name << ": " << count << " texts, " << profileDifferences << " differ\n";
        total += count;
        differences += profileDifferences;
    }
    std::cout << "all profiles: " << total << " texts, " << differences << " differ\n";
    return differences == 0 ? 0 : 1;
}
