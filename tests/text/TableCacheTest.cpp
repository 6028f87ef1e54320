#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/File.hpp"
#include "tests/support/TempFolder.hpp"
#include "text/phrase/TableCache.hpp"
#include "text/phrase/TableStream.hpp"
#include "text/profile/ConversionProfile.hpp"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using testing_support::WriteFileBytes;

std::string ConfigOf(const std::string& folder, std::string_view profile) {
    return folder + "/" + std::string(profile) + ".json";
}

// The project's sample texts in both scripts, and every character of the main CJK block once.
std::vector<std::string> SampleTexts() {
    std::vector<std::string> texts;
    for (const char* tree :
         {"texts/rashomon", "trees/linked-names-simplified", "trees/linked-names-traditional"}) {
        for (const auto& entry :
             fs::recursive_directory_iterator(std::string(CORVELA_CORPUS_DIR) + "/" + tree)) {
            if (entry.path().extension() == ".xhtml") {
                texts.push_back(ReadFileBytes(entry.path().string()));
            }
        }
    }
    std::string every;
    for (char32_t c = 0x4E00; c < 0xA000; ++c) {
        every += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                  static_cast<char>(0x80 | (c & 0x3F))};
    }
    texts.push_back(every + "𠮶𨋢");
    return texts;
}

// The output, the changed characters and the uncertain places noted, in a form two conversions
// can be compared in.
std::string NotedConversion(const text::TextConverter& converter, const std::string& input) {
    std::string out;
    text::UncertainPlaces places;
    places.Within(input);
    converter.Convert(input, out, &places);
    out += "\nchanged " + std::to_string(places.ChangedCharacters());
    for (const text::UncertainPlaces::Group& group : places.Groups()) {
        if (group.count > 0) {
            out += "\n" + std::to_string(group.choice->id) + group.choice->source +
                   group.choice->chosen + std::to_string(group.count);
            for (const std::string& other : group.choice->alternatives) {
                out += "|" + other;
            }
            for (const auto& place : group.places) {
                out += "@" + std::to_string(place.offset) + place.before + place.after;
            }
        }
    }
    return out;
}

TEST(TableCacheTest, EveryPhraseProfileReadBackConvertsAsTheOneBuilt) {
    const std::vector<std::string> texts = SampleTexts();
    const TempFolder cache;
    for (const text::ProfileInfo& info : text::AllProfiles()) {
        const text::LoadedConverter built =
            text::LoadConverter(info.profile, nullptr, cache.path());
        ASSERT_NE(built.converter, nullptr) << built.error;
        const std::string file = cache / (std::string(info.name) + ".tables");
        if (!text::IsPhraseProfile(info.profile)) {
            EXPECT_FALSE(fs::exists(file));
            continue;
        }
        const auto read = text::ReadTableCache(file, ConfigOf(text::OpenccDataFolder(), info.name));
        ASSERT_NE(read, nullptr) << info.name;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            ASSERT_EQ(NotedConversion(*read, texts[i]), NotedConversion(*built.converter, texts[i]))
                << info.name << ", text " << i;
            const std::string traditional = built.converter->Convert(texts[i]);
            ASSERT_EQ(read->Convert(traditional), built.converter->Convert(traditional))
                << info.name << ", converted text " << i;
        }
    }
}

// A cache file of s2t written for a copy of the configuration folder, damaged in turn.
class DamagedCache : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        converter_ =
            std::make_unique<text::PhraseConverter>(ConfigOf(text::OpenccDataFolder(), "s2t"));
    }
    static void TearDownTestSuite() { converter_.reset(); }

    DamagedCache() {
        fs::copy(text::OpenccDataFolder(), data_ / "opencc");
        EXPECT_EQ(text::WriteTableCache(*converter_, file_, config_), 0);
        original_ = platform::ReadWholeFile(file_).value_or("");
    }
    // The file's bytes after damage, with the checksum made to hold again when resealed.
    void Damage(const std::function<void(std::string&)>& damage, bool resealed) const {
        std::string bytes = original_;
        damage(bytes);
        if (resealed && bytes.size() >= 16) {
            const std::uint64_t sum = text::TableChecksum(std::string_view(bytes).substr(16));
            std::memcpy(bytes.data() + 8, &sum, sizeof sum);
        }
        WriteFileBytes(file_, bytes);
    }

    static inline std::unique_ptr<text::PhraseConverter> converter_;
    const TempFolder data_;
    const std::string config_ = ConfigOf(data_ / "opencc", "s2t");
    const std::string file_ = data_ / "s2t.tables";
    std::string original_;
};

TEST_F(DamagedCache, AnyDamageOrDifferenceIsRefused) {
    ASSERT_NE(text::ReadTableCache(file_, config_), nullptr);
    const std::size_t size = original_.size();
    const auto cut = [](std::size_t at) { return [at](std::string& b) { b.resize(at); }; };
    const auto flip = [](std::size_t at) { return [at](std::string& b) { b[at] ^= 0x20; }; };
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        bool resealed;
    } cases[] = {
        {"empty", cut(0), false},
        {"cut in the checksum", cut(12), false},
        {"cut in the tables", cut(size / 3), false},
        {"cut in the tables, resealed", cut(size / 3), true},
        {"last byte cut, resealed", cut(size - 1), true},
        {"cut after the build's digest, resealed", cut(100), true},
        {"one byte more, resealed", [](std::string& b) { b += '\0'; }, true},
        {"a byte flipped at a quarter", flip(size / 4), false},
        {"a byte flipped halfway", flip(size / 2), false},
        {"a byte flipped at three quarters", flip(size / 4 * 3), false},
        {"magic", flip(0), true},
        {"format version, resealed", flip(16), true},
        {"build facts, resealed", flip(21), true},
        {"absurd length, resealed", [](std::string& b) { b.replace(28, 8, 8, '\xFF'); }, true},
    };
    for (const Case& test : cases) {
        Damage(test.damage, test.resealed);
        EXPECT_EQ(text::ReadTableCache(file_, config_), nullptr) << test.name;
    }
}

TEST_F(DamagedCache, AChangedConfigurationFolderMakesItStale) {
    const std::string dictionary = data_ / "opencc/STPhrases.ocd2";
    struct Case {
        const char* name;
        std::function<void()> change;
        std::string config;
    } cases[] = {
        {"another configuration path", [] {}, ConfigOf(text::OpenccDataFolder(), "s2t")},
        {"a dictionary touched",
         [&] { fs::last_write_time(dictionary, fs::last_write_time(dictionary) + 1ns); }, config_},
        {"a dictionary of another size", [&] { fs::resize_file(dictionary, 7); }, config_},
        {"a file added", [&] { WriteFileBytes(data_ / "opencc/more.ocd2", ""); }, config_},
    };
    for (const Case& test : cases) {
        test.change();
        EXPECT_EQ(text::ReadTableCache(file_, test.config), nullptr) << test.name;
    }
}

// Damage the checksum does not see: the reader checks every index and length it reads.
TEST_F(DamagedCache, AnyByteChangedBehindTheChecksumIsReadSafely) {
    for (std::size_t at = 16; at < original_.size(); at += original_.size() / 61) {
        Damage([&](std::string& b) { b[at] = static_cast<char>(~b[at]); }, true);
        if (const auto read = text::ReadTableCache(file_, config_)) {
            read->Convert("汉字转换的头发和面条，乾隆皇帝𠮶𨋢");
        }
    }
}

TEST(TableCacheLoadTest, AFolderThatCannotHoldTheCacheIsToldAndTheConverterStillLoads) {
    const TempFolder temp;
    WriteFileBytes(temp / "file", "");
    fs::create_directory(temp / "read-only");
    ::chmod((temp / "read-only").c_str(), 0555);
    fs::create_directory(temp / "damaged");
    WriteFileBytes(temp / "damaged/s2t.tables", "CorvTbl\n");
    const struct {
        const char* name;
        std::string folder;
        bool told;
    } cases[] = {
        {"missing, made", temp / "missing/deeper", false},
        {"damaged, written again", temp / "damaged", false},
        {"a file", temp / "file", true},
        {"read-only", temp / "read-only", ::geteuid() != 0},  // root writes anywhere
    };
    const std::string config = ConfigOf(text::OpenccDataFolder(), "s2t");
    for (const auto& test : cases) {
        std::vector<std::string> notes;
        const auto converter =
            text::LoadPhraseConverter(config, test.folder, "s2t.tables",
                                      [&](std::string_view line) { notes.emplace_back(line); });
        ASSERT_NE(converter, nullptr) << test.name;
        EXPECT_EQ(converter->Convert("头发"), "頭髮") << test.name;
        ASSERT_EQ(notes.size(), test.told ? 1u : 0u) << test.name;
        if (test.told) {
            EXPECT_NE(notes[0].find(test.folder + "/s2t.tables"), std::string::npos) << notes[0];
        } else {
            EXPECT_NE(text::ReadTableCache(test.folder + "/s2t.tables", config), nullptr)
                << test.name;
        }
    }
}

}  // namespace
