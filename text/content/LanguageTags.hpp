#pragma once

#include <string_view>

namespace text {

// True for a tag that means Simplified or unmarked Chinese: zh, zh-CN, zh-SG, zh-Hans,
// zh-Hans-CN or zh-Hans-SG, in any case, with '-' or '_' between the parts. A converted book
// replaces such tags by its profile's tag; any other language keeps its own.
bool IsSimplifiedChineseTag(std::string_view tag);

}  // namespace text
