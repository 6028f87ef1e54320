#include "book/UserPhraseFiles.hpp"

#include <cerrno>

#include "platform/ErrorReason.hpp"
#include "platform/File.hpp"
#include "platform/FileSystem.hpp"

namespace {

const char* ProblemText(text::PhraseLineProblem problem) {
    switch (problem) {
        case text::PhraseLineProblem::NoTab:
            return "没有制表符（Tab）分开词语和转换结果";
        case text::PhraseLineProblem::EmptyKey:
            return "制表符前的词语是空的";
        case text::PhraseLineProblem::EmptyValue:
            return "制表符后的转换结果是空的";
        case text::PhraseLineProblem::InvalidUtf8:
            return "不是有效的 UTF-8 文本";
        case text::PhraseLineProblem::AsciiKey:
            return "词语只有 ASCII 字符，会改到书的标记和样式";
        case text::PhraseLineProblem::Markup:
            return "含有标记字符 < > & \" '，会破坏书的标记";
    }
    return "";
}

}  // namespace

// An empty base folder leaves the path empty: no per-user file.
std::string PerUserPhraseFile() {
    const std::string base = platform::UserBaseFolder("XDG_CONFIG_HOME", ".config");
    return base.empty() ? base : base + "/Corvela/phrases.txt";
}

std::string PerUserCacheFolder() {
    const std::string base = platform::UserBaseFolder("XDG_CACHE_HOME", ".cache");
    return base.empty() ? base : base + "/Corvela";
}

UserPhrasesRead ReadUserPhrases(const std::vector<std::string>& paths) {
    text::Dictionary entries;
    for (const std::string& path : paths) {
        const std::optional<std::string> content = platform::ReadWholeFile(path);
        if (!content) {
            return {nullptr, PhraseFileError{path, 0, {}, errno}};
        }
        if (const std::optional<text::PhraseLineError> bad =
                text::ParsePhraseText(*content, entries)) {
            return {nullptr, PhraseFileError{path, bad->line, bad->problem, 0}};
        }
    }
    return {std::make_shared<const text::UserPhrases>(entries), std::nullopt};
}

std::string DescribePhraseFileError(const PhraseFileError& error) {
    if (error.line == 0) {
        return platform::ReasonOf("无法读取自定义词语文件 " + error.path, error.error);
    }
    return platform::OneLineReason("自定义词语文件 " + error.path + " 第 " +
                                   std::to_string(error.line) + " 行：" +
                                   ProblemText(error.problem));
}
