#include "book/MemoryBookJob.hpp"

#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>
#include <vector>

#include "book/BookChecks.hpp"
#include "book/FontRuleStep.hpp"
#include "book/MemoryBook.hpp"
#include "book/archive/EntryNames.hpp"
#include "book/archive/ZipUtf8Flags.hpp"
#include "book/archive/ZipWriter.hpp"
#include "book/scratch/JobScratch.hpp"
#include "book/scratch/ScratchNames.hpp"
#include "book/tree/ParallelTasks.hpp"
#include "platform/ErrorReason.hpp"
#include "platform/FileSystem.hpp"

namespace {

// zlib's level for converted entries: about a tenth larger than its default, in a fifth of
// its time.
constexpr int kDeflateLevel = 2;

using Failure = std::optional<BookOutcome>;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsMimetype(const BookItem& item) {
    return !item.folder && item.parts.size() == 1 && item.parts[0] == "mimetype";
}

// Deflates the item's changed content and lets the content go (mimetype's stays: it is stored).
void Deflate(BookItem& item) {
    if (!item.changed || IsMimetype(item) || !item.content) {
        return;
    }
    item.crc = ZipCrc32(*item.content);
    item.size = item.content->size();
    item.deflated = DeflateRaw(*item.content, kDeflateLevel);
    item.content.reset();
}

// The text step on one file: its content converted as an unpacked file's, then deflated.
std::optional<std::string> ConvertItem(const MemoryBook& book, BookItem& item,
                                       const TextConversion& conversion) {
    const std::string shown = item.Path();
    try {
        if (std::optional<std::string> failure = book.Load(item)) {
            return failure;
        }
        const std::string& name = item.parts.back();
        Rewrite rewrite =
            RewriteContents(name, shown, *item.content, TextConversionOf(name, conversion, shown));
        if (!rewrite.note.empty()) {
            item.notes.push_back(std::move(rewrite.note));
        }
        if (rewrite.contents) {
            item.content = std::move(rewrite.contents);
            item.changed = true;
        }
        Deflate(item);
        if (!item.changed) {
            item.content.reset();
        }
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return "内存不足，无法转换 " + shown;
    }
}

// The text step on every text file, then the names: as ConvertTree does on an unpacked book.
Failure ConvertItems(const JobOptions& options, const text::TextConverter& converter,
                     MemoryBook& book, const std::stop_token& stop, BookReport* report) {
    std::vector<Rename> renames;
    const FolderLister list = [&book](const std::string& folder) { return book.List(folder); };
    if (std::optional<TreeFailure> failure = PlanRenames(kMemoryRoot, converter, renames, list)) {
        return failure->refused ? BookOutcome::Refused(std::move(failure->reason))
                                : BookOutcome::Failed(std::move(failure->reason));
    }
    const TextConversion conversion{converter, options.profile, options.conventions, report};
    const std::vector<std::size_t> files = book.TextFiles();
    std::vector<BookItem>& items = book.Items();
    const unsigned workers = options.workers > 0 ? options.workers : WorkerCount();
    const std::optional<std::string> failure =
        RunTasks(files.size(), workers, stop,
                 [&](std::size_t i) { return ConvertItem(book, items[files[i]], conversion); });
    for (const std::size_t i : files) {
        for (const std::string& line : items[i].notes) {
            if (options.diagnostic) {
                options.diagnostic(line);
            }
        }
    }
    if (failure) {
        return BookOutcome::Failed(*failure);
    }
    if (stop.stop_requested()) {
        return BookOutcome::Stopped();
    }
    book.GiveNewNames(renames);
    return std::nullopt;
}

// Writes one item: copied as it stands when neither its name nor its content changes.
std::optional<std::string> WriteItem(const MemoryBook& book, BookItem& item, ZipWriter& writer) {
    const ZipEntry& source = item.source;
    const std::string name = item.OutputName();
    NewEntry entry{source, name, source.method, source.crc, source.size, WantsUtf8Flag(name)};
    if (IsMimetype(item) && (item.changed || source.method != kStored)) {
        if (std::optional<std::string> failure = book.Load(item)) {
            return failure;
        }
        entry.method = kStored;
        entry.crc = ZipCrc32(*item.content);
        entry.size = item.content->size();
        return writer.AddNew(entry, *item.content) ? std::nullopt : std::optional<std::string>("");
    }
    if (item.changed) {
        Deflate(item);
        const bool written = writer.AddNew(
            {source, name, kDeflated, item.crc, item.size, entry.utf8Flag}, item.deflated);
        item.deflated = std::string();
        return written ? std::nullopt : std::optional<std::string>("");
    }
    const bool sameName = name == source.name && source.unicodePath.empty();
    const bool written =
        sameName && !source.zip64
            ? writer.AddCopy(book.File(), source, entry.utf8Flag && !source.utf8Name)
            : writer.AddRenamed(book.File(), entry);
    return written ? std::nullopt : std::optional<std::string>("");
}

// mimetype first, then every other entry in the book's order.
std::vector<std::size_t> WriteOrder(const std::vector<BookItem>& items) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (IsMimetype(items[i])) {
            order.insert(order.begin(), i);
        } else {
            order.push_back(i);
        }
    }
    return order;
}

// Writes the output into a hidden file of the job's beside it, flushes it to the disk and moves
// it into place.
Failure WriteOutput(MemoryBook& book, const std::string& output, JobScratch& scratch,
                    const std::stop_token& stop) {
    std::string temporary;
    std::optional<platform::File> file = scratch.MakeFile(output, temporary);
    if (!file) {
        return BookOutcome::Failed(
            platform::ReasonOf("无法在输出文件旁建立临时文件", scratch.Error()));
    }
    ZipWriter writer(*file);
    for (const std::size_t i : WriteOrder(book.Items())) {
        if (stop.stop_requested()) {
            return BookOutcome::Stopped();
        }
        if (std::optional<std::string> failure = WriteItem(book, book.Items()[i], writer)) {
            return BookOutcome::Failed(
                !failure->empty()
                    ? *failure
                    : platform::ReasonOf("无法写出输出文件 " + output, writer.Error()));
        }
    }
    if (!writer.Finish()) {
        return BookOutcome::Failed(
            platform::ReasonOf("无法写出输出文件 " + output, writer.Error()));
    }
    if (!file->Sync()) {
        return BookOutcome::Failed(platform::ReasonOf("无法写出输出文件 " + output, errno));
    }
    file.reset();
    if (!platform::MoveReplacing(temporary, output)) {
        return BookOutcome::Failed(platform::ReasonOf("无法把输出文件移到 " + output, errno));
    }
    return std::nullopt;
}

// The steps once the book is read: the font rule, the text, the names, the output.
// Gives report the book's font files, each let go once read; one that cannot be read is told
// in the report as one the book lacks.
bool IsFontItem(const BookItem& item) {
    return !item.folder && !item.parts.empty() && IsFontFileName(item.parts.back());
}

void AddFonts(MemoryBook& book, BookReport& report) {
    for (BookItem& item : book.Items()) {
        if (IsFontItem(item) && !book.Load(item)) {
            report.AddFont(item.Path(), std::move(*item.content));
            item.content.reset();
        }
    }
}

Failure ConvertRead(const JobOptions& options, const text::TextConverter& converter,
                    MemoryBook& book, const std::string& output, JobScratch& scratch,
                    const std::stop_token& stop, BookReport* report) {
    if (stop.stop_requested()) {
        return BookOutcome::Stopped();
    }
    if (Failure failure = AddFontRule(options, kMemoryRoot, book.Access())) {
        return failure;
    }
    if (report != nullptr) {
        report->ExpectFonts(std::any_of(book.Items().begin(), book.Items().end(), IsFontItem));
    }
    if (Failure failure = ConvertItems(options, converter, book, stop, report)) {
        return failure;
    }
    if (report != nullptr) {
        AddFonts(book, *report);
    }
    return WriteOutput(book, output, scratch, stop);
}

}  // namespace

BookOutcome ConvertInMemory(const JobOptions& options, const text::TextConverter& converter,
                            const std::string& book, const std::string& output,
                            const std::stop_token& stop, BookReport* report) {
    if (std::optional<std::string> refusal = OutputNameTooLong(output)) {
        return BookOutcome::Refused(*refusal);
    }
    JobScratch scratch({FolderOf(output)});
    std::optional<platform::File> file = platform::File::OpenForReading(book);
    if (!file) {
        return BookOutcome::Failed(platform::ReasonOf("无法打开书文件", errno));
    }
    const std::optional<CentralDirectory> directory = ReadCentralDirectory(*file);
    std::uint64_t unpacked = 0;
    std::vector<ZipEntry> entries;
    std::optional<std::string> refusal = CheckDirectory(book, directory, unpacked);
    if (!refusal) {
        refusal = ReadZipEntries(*file, *directory, entries);
    }
    MemoryBook memory(*file, std::move(entries), directory && DecodesNames(directory->bytes));
    if (!refusal) {
        refusal = memory.ReadHeads();
    }
    // Room for the output alone: about the book's size and what the conversion adds.
    const std::uint64_t size = file->Size().value_or(0);
    if (!refusal) {
        refusal = CheckFreeSpace(FolderOf(output), size + SpaceMargin(size), "写出");
    }
    if (refusal) {
        return BookOutcome::Refused(*refusal);
    }
    if (Failure failure = ConvertRead(options, converter, memory, output, scratch, stop, report)) {
        return *failure;
    }
    return BookOutcome::Converted();
}
