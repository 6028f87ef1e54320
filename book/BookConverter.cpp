#include "book/BookConverter.hpp"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "book/BookChecks.hpp"
#include "book/archive/Archiver.hpp"
#include "book/archive/ZipNameRelabel.hpp"
#include "book/archive/ZipUtf8Flags.hpp"
#include "book/scratch/JobScratch.hpp"
#include "book/tree/ContentStep.hpp"
#include "book/tree/ParallelTasks.hpp"
#include "book/tree/TextFileRewrite.hpp"
#include "book/tree/UnpackedTree.hpp"
#include "platform/File.hpp"
#include "platform/FileSystem.hpp"
#include "platform/Process.hpp"
#include "text/content/FontInjection.hpp"

using platform::EntryType;
using platform::FolderEntry;
using platform::ToolOutcome;
using platform::ToolResult;

namespace {

constexpr const char* kWinRarPathWrong = "WINRAR 路径错误";
constexpr const char* kPathHoldsQuote = "路径含有引号，无法处理";
constexpr const char* kNoExtension = "文件没有扩展名，无法处理";
constexpr const char* kOutputIsBook = "输出文件与原书相同，无法处理";
constexpr const char* kStopped = "已停止";
constexpr const char* kNameList = ".names";

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

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string WithError(const std::string& what, int error) {
    return what + "：" + platform::ErrorText(error);
}

// Why a step failed, or nullopt when it succeeded.
using Failure = std::optional<std::string>;

// Runs one tool of the job; shows the step's message when the tool cannot be started (unless
// only its command line was too long: tooLong is then set). The reason when the tool did not
// run to an end that the archiver takes for success.
Failure RunStep(CBookConverter& job, const Archiver& archiver, const ToolStep& step,
                const std::stop_token& stop, bool* tooLong = nullptr) {
    if (stop.stop_requested()) {
        return kStopped;
    }
    const ToolResult result =
        platform::RunTool(step.command, step.workingDirectory, stop, step.standardInput);
    if (result.outcome == ToolOutcome::NotStarted && result.startError == E2BIG) {
        if (tooLong) {
            *tooLong = true;
        }
        return WithError("书的顶层文件太多，命令行放不下", E2BIG);
    }
    if (result.outcome == ToolOutcome::NotStarted) {
        job.ShowError(step.failureMessage);
        return result.startError ? WithError(step.failureMessage, result.startError)
                                 : std::string(step.failureMessage);
    }
    if (result.stopped) {
        return kStopped;
    }
    if (result.outcome == ToolOutcome::WaitFailed) {
        return std::string(step.failureMessage) + "：无法等待其结束";
    }
    if (result.signal != 0) {
        return std::string(step.failureMessage) + "：被信号 " + std::to_string(result.signal) +
               " 终止";
    }
    return archiver.Judge(step, result.exitStatus);
}

// name moved into folder when one is given: a book in a read-only folder is unpacked elsewhere.
std::string InScratchFolder(const std::string& name, const std::string& folder) {
    return folder.empty() ? name : folder + "/" + name.substr(name.rfind('/') + 1);
}

// Unpacks the book into a folder of its own beside it (or in the scratch folder).
Failure Unpack(CBookConverter& job, const Archiver& archiver, const std::string& bookPath,
               const std::string& scratchFolder, JobScratch& scratch, const std::stop_token& stop) {
    std::string archiveName;
    job.ReplaceExtension(archiveName, bookPath, ".zip");
    archiveName = InScratchFolder(archiveName, scratchFolder);
    // unzip would garble the UTF-8 names of entries made on Windows: it gets a relabelled copy.
    const std::optional<CentralDirectoryPatch> relabel =
        archiver.UnpacksRelabelledCopy() ? RelabelUtf8Names(bookPath) : std::nullopt;
    std::string secondName;
    if (archiveName != bookPath || relabel) {
        std::optional<std::string> second =
            scratch.MakeSecondName(bookPath, archiveName, relabel.has_value());
        if (!second) {
            return "无法在书旁建立解包用的文件 " + archiveName + "：" + scratch.Error();
        }
        archiveName = secondName = *second;
        if (relabel && !ApplyCentralDirectoryPatch(archiveName, *relabel)) {
            return WithError("无法改写 " + archiveName + " 的条目名称", errno);
        }
    }
    std::string wantedFolder = bookPath;
    job.StripExtension(wantedFolder);
    wantedFolder = InScratchFolder(wantedFolder, scratchFolder);
    std::optional<std::string> folder = scratch.MakeFolder(wantedFolder);
    if (!folder) {
        return "无法建立解包文件夹 " + wantedFolder + "：" + scratch.Error();
    }
    scratch.SetUnpackFolder(*folder);
    Failure failure = RunStep(job, archiver, archiver.Unpack(archiveName, *folder), stop);
    if (!secondName.empty()) {
        scratch.Remove(secondName);
    }
    if (failure) {
        return failure;
    }
    return PrepareUnpackedTree(*folder);
}

// Writes the top-level names of folder but mimetype into the file listPath, one a line.
Failure WriteNameList(const std::string& folder, const std::string& listPath) {
    const std::optional<std::vector<FolderEntry>> entries = SortedEntries(folder);
    if (!entries) {
        return WithError("无法读取解包文件夹", errno);
    }
    std::string names;
    for (const FolderEntry& entry : *entries) {
        if (entry.name.find('\n') != std::string::npos) {
            return "书的顶层文件太多，命令行放不下，而文件名 " + entry.name + " 含有换行";
        }
        if (entry.name != "mimetype") {
            names += entry.name + "\n";
        }
    }
    std::optional<platform::File> list = platform::File::CreateAlways(listPath);
    if (!list || list->Write(names.data(), names.size()) != names.size()) {
        return WithError("无法写出文件名清单 " + listPath, errno);
    }
    return std::nullopt;
}

// Runs the archiver's pack steps; when the last one's command line is too long, packs the
// names from a list instead.
Failure RunPackSteps(CBookConverter& job, const Archiver& archiver, const std::string& packedName,
                     const std::string& folder, const std::string& partialFolder,
                     const std::stop_token& stop) {
    const std::vector<ToolStep> steps = archiver.Pack(packedName, folder);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        bool tooLong = false;
        Failure failure = RunStep(job, archiver, steps[i], stop, &tooLong);
        const std::string listPath = partialFolder + "/" + kNameList;
        const std::optional<ToolStep> fromList =
            tooLong && i + 1 == steps.size() ? archiver.PackFromList(packedName, folder, listPath)
                                             : std::nullopt;
        if (fromList) {
            failure = WriteNameList(folder, listPath);
            if (!failure) {
                failure = RunStep(job, archiver, *fromList, stop);
            }
        }
        if (failure) {
            return failure;
        }
    }
    return std::nullopt;
}

// Packs the unpack folder into a new file in a fresh folder beside outputPath and moves it into
// place only when the pack succeeded and holds every file: a failure or a stop leaves no
// partial output, and an old output is replaced whole, never updated.
Failure Pack(CBookConverter& job, const Archiver& archiver, const std::string& outputPath,
             JobScratch& scratch, const std::stop_token& stop) {
    std::optional<std::string> partialFolder = scratch.MakeFolder(outputPath + ".partial");
    if (!partialFolder) {
        return "无法在输出文件旁建立文件夹 " + outputPath + ".partial：" + scratch.Error();
    }
    const std::string packedName = *partialFolder + "/" + BaseName(outputPath);
    const std::string& folder = scratch.UnpackFolder();
    if (Failure failure = RunPackSteps(job, archiver, packedName, folder, *partialFolder, stop)) {
        return failure;
    }
    if (stop.stop_requested()) {
        return kStopped;
    }
    if (platform::TypeOf(packedName) != EntryType::File) {
        return "压缩程序没有写出文件";
    }
    if (Failure missing = CheckEverythingPacked(packedName, folder)) {
        return missing;
    }
    if (Failure failure = MarkUtf8Names(packedName)) {
        return failure;
    }
    if (!platform::MoveReplacing(packedName, outputPath)) {
        return WithError("无法把输出文件移到 " + outputPath, errno);
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

BookOutcome CBookConverter::ConvertBook(const JobOptions& options, const std::string& bookPath,
                                        const std::string& outputPath, std::stop_token stop) {
    const std::string& archiverPath = options.archiverPath;
    if (!archiverPath.empty() && !FileExists(archiverPath)) {
        ShowError(kWinRarPathWrong);
        return BookOutcome::NotConverted(kWinRarPathWrong);
    }
    if (!platform::File::OpenForReading(bookPath)) {
        return BookOutcome::NotConverted(WithError("无法打开书文件", errno));
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
    const std::string scratchFolder = platform::AbsolutePath(options.scratchFolder);
    JobScratch scratch;
    if (Failure refusal =
            CheckBeforeUnpack(book, scratchFolder.empty() ? FolderOf(book) : scratchFolder)) {
        return BookOutcome::NotConverted(*refusal);
    }
    const std::unique_ptr<Archiver> archiver = ChooseArchiver(archiverPath);
    if (Failure failure = Unpack(*this, *archiver, book, scratchFolder, scratch, stop)) {
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
        const std::string shownName = stylesheet.substr(scratch.UnpackFolder().size() + 1);
        if (Failure failure =
                ReplaceFileContents(stylesheet, shownName, text::InjectFontStylesheet)) {
            return BookOutcome::NotConverted("无法加入字型规则：" + *failure);
        }
    }
    if (Failure failure = ConvertTree(scratch.UnpackFolder(), {*loaded.converter, options.profile},
                                      stop, WorkerCount())) {
        return BookOutcome::NotConverted(*failure);
    }
    if (stop.stop_requested()) {
        return BookOutcome::NotConverted(kStopped);
    }
    if (Failure failure = Pack(*this, *archiver, output, scratch, stop)) {
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
