#include "book/FontRuleStep.hpp"

#include <cerrno>
#include <vector>

#include "book/tree/TextFileRewrite.hpp"
#include "book/tree/UnpackedTree.hpp"
#include "platform/ErrorReason.hpp"
#include "text/content/FontInjection.hpp"

using platform::EntryType;
using platform::FolderEntry;

namespace {

// The search of FindStylesheetUnder in folder, part of the tree at root. True once the search
// is over: out holds the stylesheet found, or unreadable the reason why a folder cannot be read.
bool SearchStylesheet(const std::string& root, const std::string& folder, std::string& out,
                      std::optional<std::string>& unreadable) {
    std::optional<std::vector<FolderEntry>> entries = SortedEntries(folder);
    if (!entries) {
        const std::string name = folder == root ? "." : folder.substr(root.size() + 1);
        unreadable = platform::ReasonOf("查找样式表时无法读取文件夹 " + name, errno);
        return true;
    }
    for (const FolderEntry& entry : *entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.type == EntryType::File && entry.name.find(".css") != std::string::npos) {
            out = path;
            return true;
        }
        if (entry.type == EntryType::Folder && SearchStylesheet(root, path, out, unreadable)) {
            return true;
        }
    }
    return false;
}

// Hands line to the front end's diagnostics, when it takes them.
void Note(const JobOptions& options, const std::string& line) {
    if (options.diagnostic) {
        options.diagnostic(line);
    }
}

}  // namespace

std::optional<std::string> FindStylesheetUnder(const std::string& root, std::string& out) {
    std::optional<std::string> unreadable;
    SearchStylesheet(root, root, out, unreadable);
    return unreadable;
}

std::optional<BookOutcome> AddFontRule(const JobOptions& options, const std::string& root) {
    std::string stylesheet;
    if (std::optional<std::string> unreadable = FindStylesheetUnder(root, stylesheet)) {
        return BookOutcome::Failed(*unreadable);
    }
    if (stylesheet.empty()) {
        if (!text::IsPhraseProfile(options.profile)) {
            return BookOutcome::Refused("书中没有样式表（.css），无法加入字型规则");
        }
        Note(options, "书中没有样式表，不加字型规则");
        return std::nullopt;
    }
    if (!options.fontRule) {
        return std::nullopt;
    }
    const std::string name = stylesheet.substr(root.size() + 1);
    bool rewritten = false;
    const auto inject = [&rewritten](std::string_view css) {
        std::optional<std::string> withRule = text::InjectFontStylesheet(css);
        rewritten = withRule.has_value();
        return withRule;
    };
    if (std::optional<std::string> failure = ReplaceFileContents(stylesheet, name, inject)) {
        return BookOutcome::Failed("无法加入字型规则：" + *failure);
    }
    Note(options, rewritten ? "字型规则写入 " + name
                            : "样式表 " + name + " 的 @font-face 规则不完整，字型规则没有写入");
    return std::nullopt;
}
