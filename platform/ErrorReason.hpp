#pragma once

#include <string>

namespace platform {

// The reason a user reads for a system error: what failed, "：" and the system's text for the
// error number (errno), as "无法读取文件夹 OEBPS：Permission denied".
std::string ReasonOf(const std::string& what, int error);

}  // namespace platform
