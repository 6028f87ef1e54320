#include "text/phrase/TableCache.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/ErrorReason.hpp"
#include "platform/File.hpp"
#include "platform/FileSystem.hpp"
#include "platform/MappedFile.hpp"
#include "platform/ReplacementFile.hpp"
#include "text/phrase/TableStream.hpp"

#ifndef CORVELA_PHRASE_TABLES_DIGEST
#define CORVELA_PHRASE_TABLES_DIGEST ""
#endif

namespace text {
namespace {

constexpr std::string_view kMagic = "CorvTbl\n";
// Raised whenever the layout of any table changes.
constexpr std::uint32_t kFormatVersion = 2;
constexpr std::uint32_t kByteOrderMark = 0x01020304;

// The facts of this build that the bytes of the tables depend on.
struct BuildFacts {
    std::uint32_t byteOrder = kByteOrderMark;
    std::uint8_t sizeBytes = sizeof(std::size_t);
    std::uint8_t characterBytes = sizeof(char32_t);
    std::uint8_t pointerBytes = sizeof(void*);
    std::uint8_t unused = 0;

    bool operator==(const BuildFacts&) const = default;
};

// The configuration path, then the name, size and modification time of each file of its folder,
// where the dictionaries lie; nullopt when the folder cannot be listed.
std::optional<std::string> SourceKeyOf(const std::string& configPath) {
    const std::size_t slash = configPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : configPath.substr(0, slash);
    std::optional<std::vector<platform::FolderEntry>> entries = platform::ListFolder(folder);
    if (!entries) {
        return std::nullopt;
    }
    std::sort(entries->begin(), entries->end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    std::string key = configPath + '\n';
    for (const platform::FolderEntry& entry : *entries) {
        const std::optional<platform::FileStamp> stamp =
            platform::StampOf(folder + "/" + entry.name);
        if (stamp) {
            key += entry.name + '\t' + std::to_string(stamp->size) + '\t' +
                   std::to_string(stamp->modified) + '\n';
        }
    }
    return key;
}

// What comes before the converter's tables, all under the checksum.
void WritePreamble(TableWriter& out, const std::string& sourceKey) {
    out.Value(kFormatVersion);
    out.Value(BuildFacts{});
    out.Text(CORVELA_PHRASE_TABLES_DIGEST);
    out.Text(sourceKey);
}

bool PreambleMatches(TableReader& in, const std::string& sourceKey) {
    return in.Value<std::uint32_t>() == kFormatVersion && in.Value<BuildFacts>() == BuildFacts{} &&
           in.Text() == CORVELA_PHRASE_TABLES_DIGEST && in.Text() == sourceKey;
}

std::unique_ptr<PhraseConverter> ConverterOf(std::string_view file, const std::string& sourceKey) {
    constexpr std::size_t kHeader = kMagic.size() + sizeof(std::uint64_t);
    if (file.size() < kHeader || file.substr(0, kMagic.size()) != kMagic) {
        return nullptr;
    }
    std::uint64_t checksum = 0;
    std::memcpy(&checksum, file.data() + kMagic.size(), sizeof checksum);
    const std::string_view rest = file.substr(kHeader);
    if (checksum != TableChecksum(rest)) {
        return nullptr;
    }
    try {
        TableReader in(rest);
        if (!PreambleMatches(in, sourceKey)) {
            return nullptr;
        }
        auto converter = std::make_unique<PhraseConverter>(in);
        return in.Left() == 0 ? std::move(converter) : nullptr;
    } catch (const TableStreamError&) {
        return nullptr;
    }
}

std::unique_ptr<PhraseConverter> ReadWithKey(const std::string& cachePath,
                                             const std::string& sourceKey) {
    const std::optional<platform::MappedFile> file = platform::MappedFile::Open(cachePath);
    return file ? ConverterOf(file->Bytes(), sourceKey) : nullptr;
}

int WriteWithKey(const PhraseConverter& converter, const std::string& cachePath,
                 const std::string& sourceKey) {
    TableWriter out;
    WritePreamble(out, sourceKey);
    converter.Save(out);
    const std::uint64_t checksum = TableChecksum(out.Bytes());
    platform::ReplacementFile file(cachePath);
    if (!file.Opened() || !file.Write(kMagic.data(), kMagic.size()) ||
        !file.Write(&checksum, sizeof checksum) ||
        !file.Write(out.Bytes().data(), out.Bytes().size()) || !file.Commit()) {
        return file.Error() != 0 ? file.Error() : EIO;
    }
    return 0;
}

int ErrorNumberOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

}  // namespace

std::unique_ptr<PhraseConverter> ReadTableCache(const std::string& cachePath,
                                                const std::string& configPath) {
    const std::optional<std::string> sourceKey = SourceKeyOf(configPath);
    return sourceKey ? ReadWithKey(cachePath, *sourceKey) : nullptr;
}

int WriteTableCache(const PhraseConverter& converter, const std::string& cachePath,
                    const std::string& configPath) {
    errno = 0;
    const std::optional<std::string> sourceKey = SourceKeyOf(configPath);
    return sourceKey ? WriteWithKey(converter, cachePath, *sourceKey) : ErrorNumberOr(EIO);
}

// The source's key is taken once, before the tables are built: tables built from dictionaries
// that change meanwhile are written under the old key, and so rebuilt by the next process.
std::shared_ptr<const PhraseConverter> LoadPhraseConverter(
    const std::string& configPath, const std::string& cacheFolder, const std::string& cacheName,
    const std::function<void(std::string_view line)>& note) {
    const std::optional<std::string> sourceKey =
        cacheFolder.empty() ? std::nullopt : SourceKeyOf(configPath);
    if (!sourceKey) {
        return std::make_shared<const PhraseConverter>(configPath);
    }
    const std::string cachePath = cacheFolder + "/" + cacheName;
    if (std::unique_ptr<PhraseConverter> cached = ReadWithKey(cachePath, *sourceKey)) {
        return cached;
    }
    auto built = std::make_shared<const PhraseConverter>(configPath);
    errno = 0;
    const int error = platform::CreateFolderPath(cacheFolder)
                          ? WriteWithKey(*built, cachePath, *sourceKey)
                          : ErrorNumberOr(EIO);
    if (error != 0 && note) {
        note(platform::ReasonOf("无法写入转换表缓存 " + cachePath, error));
    }
    return built;
}

}  // namespace text
