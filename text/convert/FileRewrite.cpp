#include "text/convert/FileRewrite.hpp"

#include "platform/ErrorReason.hpp"
#include "platform/ReplacementFile.hpp"
#include "text/convert/Diagnostics.hpp"

namespace text {

std::string SystemFailure(std::string_view step, int error) {
    return platform::ReasonOf(std::string(step), error);
}

RewriteResult ReplaceContent(const std::string& path,
                             const std::function<bool(platform::ReplacementFile&)>& writeContent) {
    platform::ReplacementFile replacement(path);
    const auto fail = [&replacement](std::string_view step) {
        PrintDiagnostic("Terminal failure: Unable to write to file.\n");
        return RewriteResult::Failed(SystemFailure(step, replacement.Error()));
    };
    if (!replacement.Opened()) {
        return fail("建立临时文件失败");
    }
    if (!writeContent(replacement)) {
        return fail("写入文件失败");
    }
    if (!replacement.Commit()) {
        return fail("替换文件失败");
    }
    return RewriteResult::Rewritten();
}

}  // namespace text
