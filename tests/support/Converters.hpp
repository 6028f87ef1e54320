#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "text/profile/ConversionProfile.hpp"

namespace testing_support {

// The profile's converter, loaded once per test program as a batch loads it once; throws when
// the installed data cannot give one.
inline std::shared_ptr<const text::TextConverter> ConverterOf(text::Profile profile) {
    static std::map<text::Profile, std::shared_ptr<const text::TextConverter>> loaded;
    std::shared_ptr<const text::TextConverter>& converter = loaded[profile];
    if (!converter) {
        text::LoadedConverter fresh = text::LoadConverter(profile);
        if (!fresh.converter) {
            throw std::runtime_error(fresh.error);
        }
        converter = fresh.converter;
    }
    return converter;
}

}  // namespace testing_support
