#pragma once

#include <cstddef>
#include <string>

namespace platform {

// The most characters of a reason a user reads: a line a message box or a terminal can show.
constexpr std::size_t kMostReasonCharacters = 300;

// The reason a user reads for a system error: what failed, "：" and the system's text for the
// error number (errno), as "无法读取文件夹 OEBPS：Permission denied"; as OneLineReason, with the
// system's text always kept whole.
std::string ReasonOf(const std::string& what, int error);

// reason on one line of at most `most` characters: control characters (a line break in a file
// name) shown as "\xHH", and a longer text cut in its middle, between two characters, into
// "beginning…end", so that both what failed and why stay in it.
std::string OneLineReason(const std::string& reason, std::size_t most = kMostReasonCharacters);

}  // namespace platform
