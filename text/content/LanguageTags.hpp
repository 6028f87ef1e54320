#pragma once

#include <string_view>

#include "text/convert/ScriptDirection.hpp"

namespace text {

// True for a tag that means Simplified or unmarked Chinese: zh, zh-CN, zh-SG, zh-Hans,
// zh-Hans-CN or zh-Hans-SG, in any case, with '-' or '_' between the parts. A converted book
// replaces such tags by its profile's tag; any other language keeps its own.
bool IsSimplifiedChineseTag(std::string_view tag);

// True for a tag that means Traditional Chinese: zh-Hant, zh-TW, zh-HK, zh-MO, zh-Hant-TW,
// zh-Hant-HK or zh-Hant-MO, in any case, with '-' or '_' between the parts.
bool IsTraditionalChineseTag(std::string_view tag);

// True for a tag that a profile converting in direction replaces by its own: one of the script
// it converts from (Simplified or unmarked Chinese towards Traditional, Traditional Chinese
// towards Simplified).
bool IsSourceScriptTag(std::string_view tag, ScriptDirection direction);

}  // namespace text
