#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "text/convert/ScriptDirection.hpp"
#include "text/convert/TextConverter.hpp"
#include "text/phrase/UserPhrases.hpp"

// The conversion profiles a batch can choose: the one-to-one character table and OpenCC's
// phrase-aware configurations of the same names, Simplified to Traditional and back.
namespace text {

enum class Profile { Char, S2t, S2tw, S2twp, S2hk, T2s, Tw2s, Tw2sp, Hk2s };

struct ProfileInfo {
    Profile profile;
    std::string_view name;         // as the user writes it: "char", "s2twp", ...
    std::string_view description;  // one line for the usage text
    std::string_view languageTag;  // what a Chinese tag of the book's script becomes
    ScriptDirection direction = ScriptDirection::ToTraditional;
};

// Every profile, the default ("char") first, those to Traditional before those to Simplified.
std::span<const ProfileInfo> AllProfiles();
// The profile of that name, or nullopt.
std::optional<Profile> ProfileNamed(std::string_view name);
const ProfileInfo& InfoOf(Profile profile);
// True for the profiles that convert by phrases (all but "char").
bool IsPhraseProfile(Profile profile);
// The way profile converts: the book's script before and after.
ScriptDirection DirectionOf(Profile profile);

// A loaded converter, or the reason why it could not be loaded.
struct LoadedConverter {
    std::shared_ptr<const TextConverter> converter;  // null when loading failed
    std::string error;                               // readable reason when it failed
};

// Loads the converter of profile from the installed OpenCC data. A batch loads it once and
// shares it among its books. With user phrases that hold any entry, the profile's converter
// comes wrapped in a UserPhraseConverter; without, it is the profile's own. A phrase profile's
// built tables are read from and kept in tableCacheFolder (as NAME.tables) when it is not
// empty; a cache that cannot be written is told to note and changes nothing else.
LoadedConverter LoadConverter(Profile profile,
                              const std::shared_ptr<const UserPhrases>& phrases = nullptr,
                              const std::string& tableCacheFolder = "",
                              const std::function<void(std::string_view line)>& note = {});

// The folder of OpenCC's installed configurations and dictionaries.
std::string OpenccDataFolder();

}  // namespace text
