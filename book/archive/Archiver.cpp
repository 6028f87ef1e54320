#include "book/archive/Archiver.hpp"

#include <map>

#include "book/archive/ArchiverCommands.hpp"
#include "platform/FileSystem.hpp"

namespace {

constexpr const char* kWinRarFailed = "调用 WinRAR 失败";
constexpr const char* kUnzipFailed = "调用 unzip 失败";
constexpr const char* kZipFailed = "调用 zip 失败";

using Stage = ToolStep::Stage;

// What the exit statuses of unzip and zip mean, where a user can act on it.
const std::map<int, const char*> kUnzipStatusMeaning{{2, "书有错误或有条目解不出"},
                                                     {3, "书已损坏"},
                                                     {9, "书不是 ZIP 文件"},
                                                     {5, "书中有加密条目"},
                                                     {50, "解出的文件无法写入，磁盘可能已满"},
                                                     {51, "书已损坏"},
                                                     {81, "书中有加密条目或不支持的压缩方式"},
                                                     {82, "书中有加密条目"}};
const std::map<int, const char*> kZipStatusMeaning{{12, "没有可压缩的文件"},
                                                   {14, "写入失败，磁盘可能已满"},
                                                   {15, "无法建立输出文件"},
                                                   {18, "有文件无法读取"}};

std::string Explained(const char* failureMessage, int exitStatus,
                      const std::map<int, const char*>& meanings) {
    const auto meaning = meanings.find(exitStatus);
    std::string reason = ExitStatusFailure(failureMessage, exitStatus);
    return meaning == meanings.end() ? reason : reason + "（" + meaning->second + "）";
}

class ZipToolsArchiver : public Archiver {
  public:
    bool UnpacksRelabelledCopy() const override { return true; }

    ToolStep Unpack(const std::string& archiveName, const std::string& folder) const override {
        return {Stage::Unpack, BuildUnzipExtractCommand(archiveName, folder), "", "", kUnzipFailed};
    }

    std::vector<ToolStep> Pack(const std::string& packedName,
                               const std::string& folder) const override {
        // EPUB wants mimetype as the first entry, stored: zip alone would sort and deflate it.
        if (platform::TypeOf(folder + "/mimetype") != platform::EntryType::File) {
            return {{Stage::Pack, BuildZipPackCommand(packedName), folder, "", kZipFailed}};
        }
        return {{Stage::Pack, BuildZipMimetypeCommand(packedName), folder, "", kZipFailed},
                {Stage::Pack, BuildZipPackCommand(packedName) + kZipExcludeMimetype, folder, "",
                 kZipFailed}};
    }

    std::optional<ToolStep> PackFromList(const std::string& packedName, const std::string& folder,
                                         const std::string& nameList) const override {
        return ToolStep{Stage::Pack, BuildZipPackFromListCommand(packedName), folder, nameList,
                        kZipFailed};
    }

    std::optional<std::string> Judge(const ToolStep& step, int exitStatus) const override {
        if (step.stage == Stage::Unpack) {
            // 1 is a warning only (a skipped "../" part, for instance): the entries are out.
            return exitStatus <= 1
                       ? std::nullopt
                       : std::optional(Explained(kUnzipFailed, exitStatus, kUnzipStatusMeaning));
        }
        return exitStatus == 0
                   ? std::nullopt
                   : std::optional(Explained(kZipFailed, exitStatus, kZipStatusMeaning));
    }
};

class WinRarArchiver : public Archiver {
  public:
    explicit WinRarArchiver(std::string path) : path_(std::move(path)) {}

    bool UnpacksRelabelledCopy() const override { return false; }

    ToolStep Unpack(const std::string& archiveName, const std::string& folder) const override {
        return {Stage::Unpack, BuildWinRarExtractCommandLine(path_, archiveName, folder), "", "",
                kWinRarFailed};
    }

    std::vector<ToolStep> Pack(const std::string& packedName,
                               const std::string& folder) const override {
        return {{Stage::Pack, BuildWinRarPackCommand(path_, packedName, folder), "", "",
                 kWinRarFailed}};
    }

    std::optional<ToolStep> PackFromList(const std::string&, const std::string&,
                                         const std::string&) const override {
        return std::nullopt;  // its command line names a folder, never its entries
    }

    std::optional<std::string> Judge(const ToolStep&, int exitStatus) const override {
        return exitStatus == 0 ? std::nullopt
                               : std::optional(ExitStatusFailure(kWinRarFailed, exitStatus));
    }

  private:
    std::string path_;
};

}  // namespace

std::unique_ptr<Archiver> ChooseArchiver(const std::string& archiverPath) {
    if (archiverPath.empty()) {
        return std::make_unique<ZipToolsArchiver>();
    }
    return std::make_unique<WinRarArchiver>(archiverPath);
}

std::string ExitStatusFailure(const char* failureMessage, int exitStatus) {
    return std::string(failureMessage) + "：退出状态 " + std::to_string(exitStatus);
}
