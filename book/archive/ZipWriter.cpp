#include "book/archive/ZipWriter.hpp"

#include <zlib.h>

#include <cerrno>
#include <new>

#include "book/archive/ZipNameRelabel.hpp"

namespace {

constexpr std::uint64_t kMostPlain = 0xFFFFFFFE;  // beyond: Zip64 fields, which this never writes
constexpr std::uint64_t kMostEntries = 0xFFFE;
constexpr std::size_t kChunk = 256 * 1024;
constexpr std::uint16_t kUtf8NameFlag = 1u << 11;
constexpr char kUtf8FlagBit = 0x08;  // bit 11 in the flags' second byte

void Append(std::string& out, std::initializer_list<std::pair<std::uint64_t, int>> fields) {
    for (const auto& [value, width] : fields) {
        for (int i = 0; i < width; ++i) {
            out += static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    }
}

}  // namespace

std::string DeflateRaw(std::string_view bytes, int level) {
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::bad_alloc();
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) {
        throw std::bad_alloc();
    }
    return out;
}

bool ZipWriter::Fail(int error) {
    error_ = error;
    return false;
}

bool ZipWriter::Put(std::string_view bytes) {
    errno = 0;
    if (out_.Write(bytes.data(), bytes.size()) != bytes.size()) {
        return Fail(errno != 0 ? errno : EIO);
    }
    written_ += bytes.size();
    return true;
}

bool ZipWriter::CopyRange(const platform::File& book, std::uint64_t from, std::uint64_t count) {
    std::string chunk;
    for (std::uint64_t done = 0; done < count;) {
        chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, count - done)));
        const std::optional<std::size_t> got = book.ReadAt(from + done, chunk.data(), chunk.size());
        if (!got || *got != chunk.size()) {
            return Fail(got ? EIO : errno);
        }
        if (!Put(chunk)) {
            return false;
        }
        done += chunk.size();
    }
    return true;
}

// A plain archive keeps offsets, sizes and the count of entries in fields of their own width.
bool ZipWriter::StartEntry(std::uint64_t compressedSize) {
    if (written_ > kMostPlain || compressedSize > kMostPlain - written_ || count_ >= kMostEntries) {
        return Fail(EFBIG);
    }
    ++count_;
    return true;
}

bool ZipWriter::AddCopy(const platform::File& book, const ZipEntry& entry, bool utf8Flag) {
    const std::uint64_t length = entry.end - entry.localAt;
    if (!StartEntry(length)) {
        return false;
    }
    std::string central = entry.central;
    std::string offset;
    Append(offset, {{written_, 4}});
    central.replace(42, 4, offset);
    // unzip would garble its name otherwise, as it would the book's.
    RelabelEntry(central, 0, entry.name);
    if (utf8Flag) {
        central[9] = static_cast<char>(central[9] | kUtf8FlagBit);
        std::string header(8, '\0');
        const std::optional<std::size_t> got = book.ReadAt(entry.localAt, header.data(), 8);
        if (!got || *got != 8) {
            return Fail(got ? EIO : errno);
        }
        header[7] = static_cast<char>(header[7] | kUtf8FlagBit);
        if (!Put(header) || !CopyRange(book, entry.localAt + 8, length - 8)) {
            return false;
        }
    } else if (!CopyRange(book, entry.localAt, length)) {
        return false;
    }
    central_ += central;
    return true;
}

bool ZipWriter::PutHeaders(const NewEntry& entry, std::uint64_t compressedSize) {
    if (!StartEntry(compressedSize) || entry.size > kMostPlain) {
        return Fail(EFBIG);
    }
    const std::string_view source = entry.source.central;
    const std::uint64_t version = entry.method == kStored ? 10 : 20;
    const std::uint64_t flags = entry.utf8Flag ? kUtf8NameFlag : 0;
    std::string shared;  // from the version needed to the extra field's length, in both headers
    Append(shared, {{version, 2}, {flags, 2}, {entry.method, 2}});
    shared += source.substr(12, 4);  // time and date
    Append(shared, {{entry.crc, 4}, {compressedSize, 4}, {entry.size, 4}});
    Append(shared, {{entry.name.size(), 2}, {0, 2}});
    std::string central;
    Append(central, {{0x02014b50, 4}});
    central += std::string(source.substr(4, 2)) + shared;
    Append(central, {{0, 4}});        // no comment, disk 0
    central += source.substr(36, 6);  // internal and external attributes
    Append(central, {{written_, 4}});
    central += entry.name;
    RelabelEntry(central, 0, entry.name);
    central_ += central;
    std::string local;
    Append(local, {{0x04034b50, 4}});
    return Put(local + shared + entry.name);
}

bool ZipWriter::AddNew(const NewEntry& entry, std::string_view data) {
    return PutHeaders(entry, data.size()) && Put(data);
}

bool ZipWriter::AddRenamed(const platform::File& book, const NewEntry& entry) {
    const ZipEntry& source = entry.source;
    return PutHeaders(entry, source.compressedSize) &&
           CopyRange(book, source.dataAt, source.compressedSize);
}

bool ZipWriter::Finish() {
    const std::uint64_t at = written_;
    if (central_.size() > kMostPlain - at) {
        return Fail(EFBIG);
    }
    std::string end;
    Append(end, {{0x06054b50, 4}, {0, 4}, {count_, 2}, {count_, 2}});
    Append(end, {{central_.size(), 4}, {at, 4}, {0, 2}});
    return Put(central_) && Put(end);
}
