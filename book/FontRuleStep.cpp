#include "book/FontRuleStep.hpp"

#include <cerrno>
#include <vector>

#include "book/tree/TextFileRewrite.hpp"
#include "book/tree/UnpackedTree.hpp"
#include "platform/ErrorReason.hpp"
#include "platform/File.hpp"
#include "text/content/FontInjection.hpp"
#include "text/unicode/AsciiCase.hpp"
#include "text/unicode/BinarySignature.hpp"
#include "text/unicode/TextEncoding.hpp"

using platform::EntryType;
using platform::FolderEntry;

namespace {

// How well a file's name says it is the stylesheet; the lower the better. A name that ends in
// ".css" (any case) comes first, one that merely contains ".css" only when there is none; within
// each, a name under a hidden folder or hidden itself (starting with ".", such as the "._" copies
// some archivers add) only after every other.
enum class NameRank { CssName, HiddenCssName, NamedLikeCss, HiddenNamedLikeCss, None };

NameRank RankOf(const std::string& name, bool underHiddenFolder) {
    const bool hidden = underHiddenFolder || name.starts_with('.');
    if (name.size() >= 4 && text::SameIgnoringAsciiCase(name.substr(name.size() - 4), ".css")) {
        return hidden ? NameRank::HiddenCssName : NameRank::CssName;
    }
    if (name.find(".css") != std::string::npos) {
        return hidden ? NameRank::HiddenNamedLikeCss : NameRank::NamedLikeCss;
    }
    return NameRank::None;
}

// One search of FindStylesheetUnder: the best file found so far, or why the search failed.
class StylesheetSearch {
  public:
    StylesheetSearch(const std::string& root, const BookFileAccess& files)
        : root_(root), files_(files) {}

    // Walks folder, depth first in byte order; true once the search is over (the best rank
    // found, or a failure).
    bool Walk(const std::string& folder, bool hidden) {
        std::optional<std::vector<FolderEntry>> entries = files_.list(folder);
        if (!entries) {
            failure_ = platform::ReasonOf("查找样式表时无法读取文件夹 " + Shown(folder), errno);
            return true;
        }
        for (const FolderEntry& entry : *entries) {
            const std::string path = folder + "/" + entry.name;
            if (entry.type == EntryType::Folder &&
                Walk(path, hidden || entry.name.starts_with('.'))) {
                return true;
            }
            if (entry.type == EntryType::File && Weigh(path, RankOf(entry.name, hidden))) {
                return true;
            }
        }
        return false;
    }

    // The stylesheet found; empty when there is none.
    const std::string& Best() const { return best_; }

    const std::optional<std::string>& Failure() const { return failure_; }

  private:
    // Keeps the file at path when it is text and its rank beats the best so far (the first
    // file of a rank wins); true when the search is over.
    bool Weigh(const std::string& path, NameRank rank) {
        if (rank >= bestRank_) {
            return false;
        }
        const std::optional<std::string> head = files_.head(path);
        if (!head) {
            failure_ = platform::ReasonOf("查找样式表时无法读取 " + Shown(path), errno);
            return true;
        }
        // UTF-16 text may begin like an audio frame; its byte order mark says it is text.
        if (text::HasUtf16ByteOrderMark(*head) || !text::HasBinarySignature(*head)) {
            best_ = path;
            bestRank_ = rank;
        }
        return bestRank_ == NameRank::CssName;
    }

    std::string Shown(const std::string& path) const {
        return path == root_ ? "." : path.substr(root_.size() + 1);
    }

    const std::string& root_;
    const BookFileAccess& files_;
    std::string best_;
    NameRank bestRank_ = NameRank::None;
    std::optional<std::string> failure_;
};

// Hands line to the front end's diagnostics, when it takes them.
void Note(const JobOptions& options, const std::string& line) {
    if (options.diagnostic) {
        options.diagnostic(line);
    }
}

// The first bytes of the file at path on disk; nullopt with errno set when it cannot be read.
std::optional<std::string> HeadOnDisk(const std::string& path) {
    std::string head(text::kSignatureLength, '\0');
    std::optional<platform::File> file = platform::File::OpenForReading(path);
    const std::optional<std::size_t> got =
        file ? file->Read(head.data(), head.size()) : std::nullopt;
    if (!got) {
        return std::nullopt;
    }
    head.resize(*got);
    return head;
}

// The stylesheet under root as files shows it into out; the reason when it cannot be read.
std::optional<std::string> FindStylesheetIn(const std::string& root, const BookFileAccess& files,
                                            std::string& out) {
    StylesheetSearch search(root, files);
    search.Walk(root, false);
    if (search.Failure()) {
        return search.Failure();
    }
    if (!search.Best().empty()) {
        out = search.Best();
    }
    return std::nullopt;
}

}  // namespace

BookFileAccess FilesOnDisk() {
    return {SortedEntries, HeadOnDisk, ReplaceFileContents};
}

std::optional<std::string> FindStylesheetUnder(const std::string& root, std::string& out) {
    return FindStylesheetIn(root, FilesOnDisk(), out);
}

std::optional<BookOutcome> AddFontRule(const JobOptions& options, const std::string& root,
                                       const BookFileAccess& files) {
    std::string stylesheet;
    if (std::optional<std::string> unreadable = FindStylesheetIn(root, files, stylesheet)) {
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
    bool read = false;
    bool rewritten = false;
    bool inUtf16 = false;
    const auto inject = [&](std::string_view css) {
        std::optional<std::string> withRule = text::InjectFontStylesheet(css);
        read = true;
        rewritten = withRule.has_value();
        inUtf16 = text::HasUtf16ByteOrderMark(css);
        return withRule;
    };
    const auto note = [&options](std::string_view line) { Note(options, std::string(line)); };
    if (std::optional<std::string> failure = files.rewrite(stylesheet, name, inject, note)) {
        return BookOutcome::Failed("无法加入字型规则：" + *failure);
    }
    // A stylesheet whose bytes disagree with its encoding is left as it is (the note above says
    // why): it is not a stylesheet with a broken rule.
    const std::string unchanged = "样式表 " + name +
                                  (!read     ? " 的编码与内容不符"
                                   : inUtf16 ? " 是 UTF-16 编码"
                                             : " 的 @font-face 规则不完整") +
                                  "，字型规则没有写入";
    Note(options, rewritten ? "字型规则写入 " + name : unchanged);
    return std::nullopt;
}
