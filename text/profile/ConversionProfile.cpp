#include "text/profile/ConversionProfile.hpp"

#include <array>
#include <stdexcept>
#include <utility>

#include "text/convert/CharacterTableConverter.hpp"
#include "text/convert/ScriptMapping.hpp"
#include "text/phrase/PhraseConverter.hpp"
#include "text/phrase/TableCache.hpp"
#include "text/phrase/UserPhraseConverter.hpp"

#ifndef CORVELA_OPENCC_DATA_FOLDER
#define CORVELA_OPENCC_DATA_FOLDER "/usr/share/opencc"
#endif

namespace text {
namespace {

constexpr ScriptDirection kToSimplified = ScriptDirection::ToSimplified;

// In the order of Profile; those to Traditional leave the direction at its default.
constexpr std::array<ProfileInfo, 9> kProfiles{{
    {Profile::Char, "char", "one character at a time, by the character table (default)", "zh-Hant"},
    {Profile::S2t, "s2t", "by phrases, OpenCC's standard Traditional characters", "zh-Hant"},
    {Profile::S2tw, "s2tw", "by phrases, Taiwan's standard characters", "zh-TW"},
    {Profile::S2twp, "s2twp", "by phrases, Taiwan's characters and vocabulary (軟體, 資料)",
     "zh-TW"},
    {Profile::S2hk, "s2hk", "by phrases, Hong Kong's standard characters", "zh-HK"},
    {Profile::T2s, "t2s", "Traditional to Simplified by phrases, OpenCC's standard", "zh-Hans",
     kToSimplified},
    {Profile::Tw2s, "tw2s", "Taiwan's Traditional to Simplified by phrases", "zh-CN",
     kToSimplified},
    {Profile::Tw2sp, "tw2sp", "Taiwan's Traditional to Simplified, with vocabulary (軟體 → 软件)",
     "zh-CN", kToSimplified},
    {Profile::Hk2s, "hk2s", "Hong Kong's Traditional to Simplified by phrases", "zh-CN",
     kToSimplified},
}};

}  // namespace

std::span<const ProfileInfo> AllProfiles() {
    return kProfiles;
}

std::optional<Profile> ProfileNamed(std::string_view name) {
    for (const ProfileInfo& info : kProfiles) {
        if (info.name == name) {
            return info.profile;
        }
    }
    return std::nullopt;
}

const ProfileInfo& InfoOf(Profile profile) {
    return kProfiles[static_cast<std::size_t>(profile)];
}

ScriptDirection DirectionOf(Profile profile) {
    return InfoOf(profile).direction;
}

bool IsPhraseProfile(Profile profile) {
    return profile != Profile::Char;
}

std::string OpenccDataFolder() {
    return CORVELA_OPENCC_DATA_FOLDER;
}

namespace {

LoadedConverter LoadProfileConverter(Profile profile, const std::string& tableCacheFolder,
                                     const std::function<void(std::string_view line)>& note) {
    if (profile == Profile::Char) {
        const CharacterTableMapping& mapping = SimplifiedToTraditional();
        if (mapping.LoadError() != 0) {
            return {nullptr, "cannot load the character dictionary " +
                                 std::string(DefaultCharacterDictionaryPath())};
        }
        return {std::make_shared<CharacterTableConverter>(mapping), ""};
    }
    const std::string name(InfoOf(profile).name);
    const std::string config = OpenccDataFolder() + "/" + name + ".json";
    try {
        return {LoadPhraseConverter(config, tableCacheFolder, name + ".tables", note), ""};
    } catch (const std::runtime_error& error) {
        return {nullptr, error.what()};
    }
}

}  // namespace

LoadedConverter LoadConverter(Profile profile, const std::shared_ptr<const UserPhrases>& phrases,
                              const std::string& tableCacheFolder,
                              const std::function<void(std::string_view line)>& note) {
    LoadedConverter loaded = LoadProfileConverter(profile, tableCacheFolder, note);
    if (loaded.converter && phrases && !phrases->Empty()) {
        loaded.converter =
            std::make_shared<UserPhraseConverter>(std::move(loaded.converter), phrases);
    }
    return loaded;
}

}  // namespace text
