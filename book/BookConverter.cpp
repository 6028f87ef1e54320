#include "book/BookConverter.hpp"

#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "book/BookChecks.hpp"
#include "book/FontRuleStep.hpp"
#include "book/MemoryBookJob.hpp"
#include "book/ReportStep.hpp"
#include "book/archive/Archiver.hpp"
#include "book/archive/EntryNames.hpp"
#include "book/archive/ZipNameRelabel.hpp"
#include "book/archive/ZipUtf8Flags.hpp"
#include "book/scratch/JobScratch.hpp"
#include "book/scratch/ScratchNames.hpp"
#include "book/tree/ContentStep.hpp"
#include "book/tree/ParallelTasks.hpp"
#include "book/tree/UnpackedTree.hpp"
#include "platform/ErrorReason.hpp"
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

// How a step ended the job, or nullopt when the job goes on.
using Failure = std::optional<BookOutcome>;

// A step that fails with reason, when there is one.
Failure FailedWith(std::optional<std::string> reason) {
    return reason ? Failure(BookOutcome::Failed(std::move(*reason))) : std::nullopt;
}

// Runs one tool of the job. A tool that cannot be started fails the job with the step's message
// for the user to see at once (unless only its command line was too long: tooLong is then set);
// a tool that does not run to an end that the archiver takes for success fails it too.
Failure RunStep(const Archiver& archiver, const ToolStep& step, const std::stop_token& stop,
                bool* tooLong = nullptr) {
    if (stop.stop_requested()) {
        return BookOutcome::Stopped();
    }
    const ToolResult result =
        platform::RunTool(step.command, step.workingDirectory, stop, step.standardInput);
    if (result.outcome == ToolOutcome::NotStarted && result.startError == E2BIG) {
        if (tooLong) {
            *tooLong = true;
        }
        return BookOutcome::Failed(platform::ReasonOf("书的顶层文件太多，命令行放不下", E2BIG));
    }
    if (result.outcome == ToolOutcome::NotStarted) {
        return BookOutcome::Failed(result.startError
                                       ? platform::ReasonOf(step.failureMessage, result.startError)
                                       : std::string(step.failureMessage),
                                   step.failureMessage);
    }
    if (result.stopped) {
        return BookOutcome::Stopped();
    }
    if (result.outcome == ToolOutcome::WaitFailed) {
        return BookOutcome::Failed(std::string(step.failureMessage) + "：无法等待其结束");
    }
    if (result.signal != 0) {
        return BookOutcome::Failed(std::string(step.failureMessage) + "：被信号 " +
                                   std::to_string(result.signal) + " 终止");
    }
    return FailedWith(archiver.Judge(step, result.exitStatus));
}

// Unpacks the book into a folder of its own beside it (or in the scratch folder).
Failure Unpack(const Archiver& archiver, const std::string& bookPath, const ScratchNames& names,
               JobScratch& scratch, const std::stop_token& stop) {
    std::string archiveName = names.archive;
    // unzip would garble the UTF-8 names of entries made on Windows: it gets a relabelled copy.
    const std::optional<CentralDirectoryPatch> relabel =
        archiver.UnpacksRelabelledCopy() ? RelabelUtf8Names(bookPath) : std::nullopt;
    std::string secondName;
    if (archiveName != bookPath || relabel) {
        std::optional<std::string> second =
            scratch.MakeSecondName(bookPath, archiveName, relabel.has_value());
        if (!second) {
            return BookOutcome::Failed(
                platform::ReasonOf("无法在书旁建立解包用的文件 " + archiveName, scratch.Error()));
        }
        archiveName = secondName = *second;
        if (relabel && !ApplyCentralDirectoryPatch(archiveName, *relabel)) {
            return BookOutcome::Failed(
                platform::ReasonOf("无法改写 " + archiveName + " 的条目名称", errno));
        }
    }
    std::optional<std::string> folder = scratch.MakeFolder(names.unpackFolder);
    if (!folder) {
        return BookOutcome::Failed(
            platform::ReasonOf("无法建立解包文件夹 " + names.unpackFolder, scratch.Error()));
    }
    scratch.SetUnpackFolder(*folder);
    Failure failure = RunStep(archiver, archiver.Unpack(archiveName, *folder), stop);
    if (!secondName.empty()) {
        scratch.Remove(secondName);
    }
    if (failure) {
        return failure;
    }
    // unzip wrote code-page names byte for byte from the relabelled copy: they get their UTF-8
    // form.
    if (archiver.UnpacksRelabelledCopy()) {
        if (Failure named = FailedWith(GiveDecodedNames(bookPath, *folder))) {
            return named;
        }
    }
    return FailedWith(PrepareUnpackedTree(*folder));
}

// Writes the top-level names of folder but mimetype into the file listPath, one a line.
Failure WriteNameList(const std::string& folder, const std::string& listPath) {
    const std::optional<std::vector<FolderEntry>> entries = SortedEntries(folder);
    if (!entries) {
        return BookOutcome::Failed(platform::ReasonOf("无法读取解包文件夹", errno));
    }
    std::string names;
    for (const FolderEntry& entry : *entries) {
        if (entry.name.find('\n') != std::string::npos) {
            return BookOutcome::Failed("书的顶层文件太多，命令行放不下，而文件名 " + entry.name +
                                       " 含有换行");
        }
        if (entry.name != "mimetype") {
            names += entry.name + "\n";
        }
    }
    std::optional<platform::File> list = platform::File::CreateAlways(listPath);
    if (!list || list->Write(names.data(), names.size()) != names.size()) {
        return BookOutcome::Failed(platform::ReasonOf("无法写出文件名清单 " + listPath, errno));
    }
    return std::nullopt;
}

// Runs the archiver's pack steps; when the last one's command line is too long, packs the
// names from a list instead.
Failure RunPackSteps(const Archiver& archiver, const std::string& packedName,
                     const std::string& folder, const std::string& partialFolder,
                     const std::stop_token& stop) {
    const std::vector<ToolStep> steps = archiver.Pack(packedName, folder);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        bool tooLong = false;
        Failure failure = RunStep(archiver, steps[i], stop, &tooLong);
        const std::string listPath = partialFolder + "/" + kNameList;
        const std::optional<ToolStep> fromList =
            tooLong && i + 1 == steps.size() ? archiver.PackFromList(packedName, folder, listPath)
                                             : std::nullopt;
        if (fromList) {
            failure = WriteNameList(folder, listPath);
            if (!failure) {
                failure = RunStep(archiver, *fromList, stop);
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
Failure Pack(const Archiver& archiver, const std::string& outputPath, const ScratchNames& names,
             JobScratch& scratch, const std::stop_token& stop) {
    std::optional<std::string> partialFolder = scratch.MakeFolder(names.partialFolder);
    if (!partialFolder) {
        return BookOutcome::Failed(platform::ReasonOf(
            "无法在输出文件旁建立文件夹 " + names.partialFolder, scratch.Error()));
    }
    const std::string packedName = *partialFolder + "/" + BaseName(outputPath);
    const std::string& folder = scratch.UnpackFolder();
    if (Failure failure = RunPackSteps(archiver, packedName, folder, *partialFolder, stop)) {
        return failure;
    }
    if (stop.stop_requested()) {
        return BookOutcome::Stopped();
    }
    if (platform::TypeOf(packedName) != EntryType::File) {
        return BookOutcome::Failed("压缩程序没有写出文件");
    }
    if (Failure missing = FailedWith(CheckEverythingPacked(packedName, folder))) {
        return missing;
    }
    if (Failure failure = FailedWith(MarkUtf8Names(packedName))) {
        return failure;
    }
    if (!platform::MoveReplacing(packedName, outputPath)) {
        return BookOutcome::Failed(platform::ReasonOf("无法把输出文件移到 " + outputPath, errno));
    }
    return std::nullopt;
}

// The batch's converter, or the profile's own, with the user's phrases, loaded for this book.
text::LoadedConverter ConverterFor(const JobOptions& options) {
    if (options.converter) {
        return {options.converter, ""};
    }
    text::LoadedConverter loaded = text::LoadConverter(
        options.profile, options.userPhrases, options.tableCacheFolder, options.diagnostic);
    if (!loaded.converter) {
        loaded.error = "无法载入转换方式 " + std::string(text::InfoOf(options.profile).name) +
                       "：" + loaded.error;
    }
    return loaded;
}

// The message that refuses the paths, or nullptr when the job can take them.
const char* RefusalOf(const std::string& archiverPath, const std::string& bookPath,
                      const std::string& outputPath, bool builtinZip) {
    // Only the archivers' command lines cannot hold a quotation mark.
    if (!builtinZip &&
        (HoldsQuote(archiverPath) || HoldsQuote(bookPath) || HoldsQuote(outputPath))) {
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

// The font rule and the text step on the book unpacked at root.
Failure ConvertUnpacked(const JobOptions& options, const text::TextConverter& converter,
                        const std::string& root, const std::stop_token& stop, BookReport* report) {
    if (stop.stop_requested()) {
        return BookOutcome::Stopped();
    }
    if (Failure failure = AddFontRule(options, root)) {
        return failure;
    }
    if (report != nullptr) {
        report->ExpectFonts(HasFontFilesUnder(root));
    }
    const unsigned workers = options.workers > 0 ? options.workers : WorkerCount();
    if (std::optional<TreeFailure> failure =
            ConvertTree(root, {converter, options.profile, options.conventions, report}, stop,
                        workers, options.diagnostic)) {
        return failure->refused ? BookOutcome::Refused(std::move(failure->reason))
                                : BookOutcome::Failed(std::move(failure->reason));
    }
    if (stop.stop_requested()) {
        return BookOutcome::Stopped();
    }
    if (report != nullptr) {
        AddFontsUnder(root, *report);
    }
    return std::nullopt;
}

// The job once the paths are taken: book is the file the book is, output the absolute output.
BookOutcome ConvertResolved(const JobOptions& options, const text::TextConverter& converter,
                            const std::string& book, const std::string& output,
                            const std::stop_token& stop, BookReport* report) {
    const ScratchNames names = PlanScratchNames(
        book, output,
        ChooseScratchFolder(platform::AbsolutePath(options.scratchFolder), book, output));
    if (std::optional<std::string> refusal = NameTooLong(names, output)) {
        return BookOutcome::Refused(*refusal);
    }
    // The journal may have to lie beside the scratch: the next job looks where this one works.
    JobScratch scratch({names.folder, FolderOf(output)});
    if (std::optional<std::string> refusal = CheckBeforeUnpack(book, names.folder)) {
        return BookOutcome::Refused(*refusal);
    }
    const std::unique_ptr<Archiver> archiver = ChooseArchiver(options.archiverPath);
    if (Failure failure = Unpack(*archiver, book, names, scratch, stop)) {
        return *failure;
    }
    if (Failure failure =
            ConvertUnpacked(options, converter, scratch.UnpackFolder(), stop, report)) {
        return *failure;
    }
    if (Failure failure = Pack(*archiver, output, names, scratch, stop)) {
        return *failure;
    }
    return BookOutcome::Converted();
}

// outcome with its reason and alert on one short line each.
BookOutcome Shown(BookOutcome outcome) {
    outcome.reason = platform::OneLineReason(outcome.reason);
    outcome.alert = platform::OneLineReason(outcome.alert);
    outcome.reportProblem = platform::OneLineReason(outcome.reportProblem);
    return outcome;
}

BookReport* ToPointer(std::optional<BookReport>& report) {
    return report ? &*report : nullptr;
}

}  // namespace

BookOutcome CBookConverter::ConvertBook(const JobOptions& options, const std::string& bookPath,
                                        const std::string& outputPath, std::stop_token stop) {
    const std::string archiverPath = options.builtinZip ? "" : options.archiverPath;
    if (!archiverPath.empty() && !FileExists(archiverPath)) {
        return BookOutcome::Refused(kWinRarPathWrong, kWinRarPathWrong);
    }
    if (!platform::File::OpenForReading(bookPath)) {
        return Shown(BookOutcome::Failed(platform::ReasonOf("无法打开书文件", errno)));
    }
    if (const char* refusal = RefusalOf(archiverPath, bookPath, outputPath, options.builtinZip)) {
        return BookOutcome::Refused(refusal, refusal);
    }
    // The book is the file its name leads to: a symbolic link is followed once, here, and every
    // name the job makes comes from that file, never from the link.
    const std::optional<std::string> book = platform::ResolvedPath(bookPath);
    if (!book) {
        return Shown(BookOutcome::Failed(platform::ReasonOf("无法找到书文件 " + bookPath, errno)));
    }
    if (HoldsQuote(*book) && !options.builtinZip) {
        return BookOutcome::Refused(kPathHoldsQuote, kPathHoldsQuote);
    }
    const text::LoadedConverter loaded = ConverterFor(options);
    if (!loaded.converter) {
        return Shown(BookOutcome::Failed(loaded.error));
    }
    const auto start = std::chrono::steady_clock::now();
    std::optional<BookReport> report;
    if (options.report) {
        report.emplace();
    }
    // zip runs inside the unpack folder: every name it is given must be a full path.
    const std::string output = platform::AbsolutePath(outputPath);
    BookOutcome outcome =
        options.builtinZip
            ? ConvertInMemory(options, *loaded.converter, *book, output, stop, ToPointer(report))
            : ConvertResolved(options, *loaded.converter, *book, output, stop, ToPointer(report));
    if (report && outcome.IsConverted()) {
        WriteBookReport(options, *book, output, start, *report, outcome);
    }
    return Shown(std::move(outcome));
}

int CBookConverter::FileExists(const std::string& path) {
    return platform::File::OpenForReading(path) ? 1 : 0;
}

int CBookConverter::ReplaceExtension(std::string& out, const std::string& path,
                                     const std::string& tail) {
    out = path.substr(0, path.rfind('.')) + tail;
    return 1;
}

std::optional<std::string> CBookConverter::FindStylesheet(const std::string& folder,
                                                          std::string& out) {
    return FindStylesheetUnder(folder, out);
}
