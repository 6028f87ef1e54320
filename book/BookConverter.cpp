#include "book/BookConverter.hpp"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "book/ArchiverCommands.hpp"
#include "book/ContentStep.hpp"
#include "book/FreshNames.hpp"
#include "book/JobScratch.hpp"
#include "book/ParallelTasks.hpp"
#include "book/UnpackedTree.hpp"
#include "book/ZipNameRelabel.hpp"
#include "book/ZipUtf8Flags.hpp"
#include "platform/File.hpp"
#include "platform/FileSystem.hpp"
#include "platform/Process.hpp"
#include "text/FontInjection.hpp"
#include "text/ScriptConversion.hpp"

using platform::EntryType;
using platform::FolderEntry;
using platform::ToolOutcome;
using platform::ToolResult;

namespace {

constexpr const char* kWinRarPathWrong = "WINRAR 路径错误";
constexpr const char* kWinRarFailed = "调用 WinRAR 失败";
constexpr const char* kUnzipFailed = "调用 unzip 失败";
constexpr const char* kZipFailed = "调用 zip 失败";
constexpr const char* kPathHoldsQuote = "路径含有引号，无法处理";
constexpr const char* kNoExtension = "文件没有扩展名，无法处理";
constexpr const char* kOutputIsBook = "输出文件与原书相同，无法处理";

bool HoldsQuote(const std::string& path) {
    return path.find('"') != std::string::npos;
}

// The file name must have an extension of its own: a "." after its first character.
bool HasExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    return dot != std::string::npos && dot > nameStart;
}

std::string BaseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// unzip ends with 1 for warnings only (a skipped "../" part, for instance): the entries are out.
bool UnpackSucceeded(bool withUnzip, int exitStatus) {
    return withUnzip ? exitStatus == 0 || exitStatus == 1 : exitStatus == 0;
}

// Why a step failed, or nullopt when it succeeded.
using Failure = std::optional<std::string>;

constexpr const char* kStopped = "已停止";

// The reason of a tool that ran but failed: its failure message and what became of it.
std::string ToolFailure(const char* failureMessage, const ToolResult& result) {
    if (result.stopped) {
        return kStopped;
    }
    if (result.outcome == ToolOutcome::WaitFailed) {
        return std::string(failureMessage) + "：无法等待其结束";
    }
    return std::string(failureMessage) + "：退出状态 " + std::to_string(result.exitStatus);
}

// Runs one tool of the job; shows failureMessage when it cannot be started. Returns the result
// when the tool ran to its end without a stop, else the reason.
std::optional<ToolResult> RunJobTool(CBookConverter& job, const std::string& command,
                                     const std::string& workingDirectory,
                                     const char* failureMessage, const std::stop_token& stop,
                                     std::string& reason) {
    if (stop.stop_requested()) {
        reason = kStopped;
        return std::nullopt;
    }
    ToolResult result = platform::RunTool(command, workingDirectory, stop);
    if (result.outcome == ToolOutcome::NotStarted) {
        job.ShowError(failureMessage);
        reason = failureMessage;
        return std::nullopt;
    }
    if (result.outcome != ToolOutcome::Completed || result.stopped) {
        reason = ToolFailure(failureMessage, result);
        return std::nullopt;
    }
    return result;
}

Failure RunPackTool(CBookConverter& job, const std::string& command,
                    const std::string& workingDirectory, const char* failureMessage,
                    const std::stop_token& stop) {
    std::string reason;
    std::optional<ToolResult> result =
        RunJobTool(job, command, workingDirectory, failureMessage, stop, reason);
    if (!result) {
        return reason;
    }
    if (result->exitStatus != 0) {
        return ToolFailure(failureMessage, *result);
    }
    return std::nullopt;
}

// Unpacks the book into a folder of its own beside it.
Failure Unpack(CBookConverter& job, const std::string& archiverPath, const std::string& bookPath,
               JobScratch& scratch, const std::stop_token& stop) {
    const bool withUnzip = archiverPath.empty();
    std::string archiveName;
    job.ReplaceExtension(archiveName, bookPath, ".zip");
    // unzip would garble the UTF-8 names of entries made on Windows: it gets a relabelled copy.
    const std::optional<CentralDirectoryPatch> relabel =
        withUnzip ? RelabelUtf8Names(bookPath) : std::nullopt;
    if (archiveName != bookPath || relabel) {
        std::optional<std::string> second = relabel ? CopyUnderFreshName(bookPath, archiveName)
                                                    : LinkUnderFreshName(bookPath, archiveName);
        if (!second) {
            return "无法在书旁建立解包用的文件 " + archiveName;
        }
        archiveName = *second;
        scratch.SetArchiveName(archiveName);
        if (relabel && !ApplyCentralDirectoryPatch(archiveName, *relabel)) {
            return "无法改写 " + archiveName + " 的条目名称";
        }
    }
    std::string wantedFolder = bookPath;
    job.StripExtension(wantedFolder);
    std::optional<std::string> folder = CreateFreshFolder(wantedFolder);
    if (!folder) {
        return "无法建立解包文件夹 " + wantedFolder;
    }
    scratch.SetUnpackFolder(*folder);
    std::string command;
    if (withUnzip) {
        command = BuildUnzipExtractCommand(archiveName, *folder);
    } else {
        job.BuildWinRarExtractCommand(archiverPath, archiveName, *folder, command);
    }
    const char* tool = withUnzip ? kUnzipFailed : kWinRarFailed;
    std::string reason;
    std::optional<ToolResult> result = RunJobTool(job, command, "", tool, stop, reason);
    scratch.RemoveArchiveName();
    if (!result) {
        return reason;
    }
    if (!UnpackSucceeded(withUnzip, result->exitStatus)) {
        return ToolFailure(tool, *result);
    }
    PrepareUnpackedTree(*folder);
    return std::nullopt;
}

Failure PackWithZip(CBookConverter& job, const std::string& packedName, const std::string& folder,
                    const std::stop_token& stop) {
    // EPUB wants mimetype as the first entry, stored: zip alone would sort and deflate it.
    const bool hasMimetype = platform::TypeOf(folder + "/mimetype") == EntryType::File;
    if (hasMimetype) {
        if (Failure failure =
                RunPackTool(job, BuildZipMimetypeCommand(packedName), folder, kZipFailed, stop)) {
            return failure;
        }
    }
    std::string command = BuildZipPackCommand(packedName);
    if (hasMimetype) {
        command += kZipExcludeMimetype;
    }
    return RunPackTool(job, command, folder, kZipFailed, stop);
}

// Packs the unpack folder into a new file in a fresh folder beside outputPath and moves it into
// place only when the pack succeeded: a failure or a stop leaves no partial output, and an old
// output is replaced whole, never updated.
Failure Pack(CBookConverter& job, const std::string& archiverPath, const std::string& outputPath,
             JobScratch& scratch, const std::stop_token& stop) {
    std::optional<std::string> partialFolder = CreateFreshFolder(outputPath + ".partial");
    if (!partialFolder) {
        return "无法在输出文件旁建立文件夹 " + outputPath;
    }
    scratch.SetPartialFolder(*partialFolder);
    const std::string packedName = *partialFolder + "/" + BaseName(outputPath);
    const std::string& folder = scratch.UnpackFolder();
    if (Failure failure =
            archiverPath.empty()
                ? PackWithZip(job, packedName, folder, stop)
                : RunPackTool(job, BuildWinRarPackCommand(archiverPath, packedName, folder), "",
                              kWinRarFailed, stop)) {
        return failure;
    }
    if (stop.stop_requested()) {
        return kStopped;
    }
    if (platform::TypeOf(packedName) != EntryType::File) {
        return "压缩程序没有写出文件";
    }
    if (Failure failure = MarkUtf8Names(packedName)) {
        return failure;
    }
    if (!platform::MoveReplacing(packedName, outputPath)) {
        return "无法把输出文件移到 " + outputPath;
    }
    return std::nullopt;
}

// The batch's converter, or the profile's own loaded for this book.
text::LoadedConverter ConverterFor(const JobOptions& options) {
    if (options.converter) {
        return {options.converter, ""};
    }
    text::LoadedConverter loaded = text::LoadConverter(options.profile);
    if (!loaded.converter) {
        loaded.error = "无法载入转换方式 " + std::string(text::InfoOf(options.profile).name) +
                       "：" + loaded.error;
    }
    return loaded;
}

// The message that refuses the paths, or nullptr when the job can take them.
const char* RefusalOf(const std::string& archiverPath, const std::string& bookPath,
                      const std::string& outputPath) {
    if (HoldsQuote(archiverPath) || HoldsQuote(bookPath) || HoldsQuote(outputPath)) {
        return kPathHoldsQuote;
    }
    if (!HasExtension(bookPath)) {
        return kNoExtension;
    }
    // The output replaces what bears its name: never the book itself.
    if (outputPath == bookPath || platform::SameFile(outputPath, bookPath)) {
        return kOutputIsBook;
    }
    return nullptr;
}

}  // namespace

int CBookConverter::ConvertBook(const std::string& archiverPath, const std::string& bookPath,
                                const std::string& outputPath, std::stop_token stop) {
    JobOptions options;
    options.archiverPath = archiverPath;
    return Convert(options, bookPath, outputPath, std::move(stop)).converted ? 1 : 0;
}

BookOutcome CBookConverter::Convert(const JobOptions& options, const std::string& bookPath,
                                    const std::string& outputPath, std::stop_token stop) {
    const std::string& archiverPath = options.archiverPath;
    if (!archiverPath.empty() && !FileExists(archiverPath)) {
        ShowError(kWinRarPathWrong);
        return BookOutcome::NotConverted(kWinRarPathWrong);
    }
    if (!FileExists(bookPath)) {
        return BookOutcome::NotConverted("无法打开书文件");
    }
    if (const char* refusal = RefusalOf(archiverPath, bookPath, outputPath)) {
        ShowError(refusal);
        return BookOutcome::NotConverted(refusal);
    }
    const text::LoadedConverter loaded = ConverterFor(options);
    if (!loaded.converter) {
        return BookOutcome::NotConverted(loaded.error);
    }
    // zip runs inside the unpack folder: every name it is given must be a full path.
    const std::string book = platform::AbsolutePath(bookPath);
    const std::string output = platform::AbsolutePath(outputPath);
    JobScratch scratch;
    if (Failure failure = Unpack(*this, archiverPath, book, scratch, stop)) {
        return BookOutcome::NotConverted(*failure);
    }
    if (stop.stop_requested()) {
        return BookOutcome::NotConverted(kStopped);
    }
    // The phrase profiles convert a book without a stylesheet: the font rule has no place there.
    std::string stylesheet;
    const bool hasStylesheet = FindStylesheet(scratch.UnpackFolder(), stylesheet) == 1;
    if (!hasStylesheet && !text::IsPhraseProfile(options.profile)) {
        return BookOutcome::NotConverted("书中没有样式表（.css），无法加入字型规则");
    }
    if (hasStylesheet && options.fontRule) {
        InjectFontStylesheet(stylesheet);
    }
    if (Failure failure = ConvertBookContents(
            scratch.UnpackFolder(), {*loaded.converter, options.profile}, stop, WorkerCount())) {
        return BookOutcome::NotConverted(*failure);
    }
    if (stop.stop_requested()) {
        return BookOutcome::NotConverted(kStopped);
    }
    if (Failure failure = Pack(*this, archiverPath, output, scratch, stop)) {
        return BookOutcome::NotConverted(*failure);
    }
    return BookOutcome::Converted();
}

int CBookConverter::FileExists(const std::string& path) {
    return platform::File::OpenForReading(path) ? 1 : 0;
}

int CBookConverter::ReplaceExtension(std::string& out, const std::string& path,
                                     const std::string& tail) {
    out = path.substr(0, path.rfind('.')) + tail;
    return 1;
}

int CBookConverter::StripExtension(std::string& buffer) {
    const std::size_t dot = buffer.rfind('.');
    if (dot == std::string::npos) {
        return 0;
    }
    buffer.erase(dot);
    return 1;
}

void CBookConverter::ShowError(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

void CBookConverter::BuildWinRarExtractCommand(const std::string& archiverPath,
                                               const std::string& archiveName,
                                               const std::string& unpackFolder, std::string& out) {
    out = BuildWinRarExtractCommandLine(archiverPath, archiveName, unpackFolder);
}

int CBookConverter::FindStylesheet(const std::string& folder, std::string& out) {
    std::optional<std::vector<FolderEntry>> entries = SortedEntries(folder);
    if (!entries) {
        return 0;
    }
    for (const FolderEntry& entry : *entries) {
        const std::string path = folder + "/" + entry.name;
        if (entry.type == EntryType::File && entry.name.find(".css") != std::string::npos) {
            out = path;
            return 1;
        }
        if (entry.type == EntryType::Folder && FindStylesheet(path, out)) {
            return 1;
        }
    }
    return 0;
}

int CBookConverter::ConvertTree(const std::string& folder, std::stop_token stop) {
    std::optional<std::vector<FolderEntry>> entries = SortedEntries(folder);
    if (!entries) {
        return 1;
    }
    for (const FolderEntry& entry : *entries) {
        if (stop.stop_requested()) {
            break;
        }
        const std::string path = folder + "/" + entry.name;
        if (entry.type == EntryType::File) {
            ConvertTextFile(path);
        } else if (entry.type == EntryType::Folder) {
            ConvertTree(path, stop);
        }
    }
    return 1;
}

int CBookConverter::DeleteTree(const std::string& folder) {
    return RemoveTree(folder) ? 1 : 0;
}

int CBookConverter::InjectFontStylesheet(const std::string& path) {
    return ::InjectFontStylesheet(path);
}
