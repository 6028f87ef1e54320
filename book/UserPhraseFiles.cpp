#include "book/UserPhraseFiles.hpp"

#include <cerrno>
#include <cstdlib>

#include "platform/ErrorReason.hpp"
#include "platform/File.hpp"

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

std::string PerUserPhraseFile() {
    const char* configuration = std::getenv("XDG_CONFIG_HOME");
    if (configuration != nullptr && configuration[0] == '/') {
        return std::string(configuration) + "/Corvela/phrases.txt";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.config/Corvela/phrases.txt";
    }
    return "";
}

std::string PerUserCacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/') {
        return std::string(cache) + "/Corvela";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.cache/Corvela";
    }
    return "";
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
