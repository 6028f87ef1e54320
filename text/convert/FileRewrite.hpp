#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace platform {
class ReplacementFile;
}

// How the file routines of this folder tell their caller what became of a file, and the one
// way they rewrite one: new content beside it, renamed over it.
namespace text {

enum class RewriteStatus {
    Rewritten,  // the new content took the file's place
    Skipped,    // nothing to do (not text, nothing to change): the file is as it was
    Failed,     // the file is as it was, and reason tells why the rewrite did not happen
};

struct RewriteResult {
    RewriteStatus status = RewriteStatus::Skipped;
    std::string reason;  // a short text a user can read; empty unless Failed

    static RewriteResult Rewritten() { return {RewriteStatus::Rewritten, {}}; }
    static RewriteResult Skipped() { return {RewriteStatus::Skipped, {}}; }
    static RewriteResult Failed(std::string why) { return {RewriteStatus::Failed, std::move(why)}; }
};

// The reason for a failed step, with the system's words for error: "写入文件失败：No space
// left on device".
std::string SystemFailure(std::string_view step, int error);

// The reason when memory for one file ran out.
inline constexpr std::string_view kOutOfMemory = "内存不足，无法转换文件";

// Replaces the content of the file at path with what writeContent writes (it returns false when
// a write fails), printing the write-failure diagnostic line when it cannot. Rewritten, or
// Failed with the file left as it was.
RewriteResult ReplaceContent(const std::string& path,
                             const std::function<bool(platform::ReplacementFile&)>& writeContent);

}  // namespace text
