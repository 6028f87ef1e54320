#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "book/FontRuleStep.hpp"
#include "book/archive/ZipReader.hpp"
#include "book/tree/TreeRenames.hpp"

// A book read in place, never unpacked: each entry with the path it would take unpacked, its
// first bytes, and its content once a step needs it whole. The job's steps see it as the tree
// unzip would have written, under the root ".", through the same walks as an unpacked book.

// The folder the book's paths stand under.
inline constexpr const char* kMemoryRoot = ".";

// The largest entry the job holds in memory whole; a text entry past it is refused.
inline constexpr std::uint64_t kMostTextEntry = 64ull * 1024 * 1024;

// One entry of the book.
struct BookItem {
    ZipEntry source;
    std::vector<std::string> parts;  // its path as unzip writes it; after the renames, its own
    bool folder = false;
    std::string head;                    // its first text::kSignatureLength bytes (a file's)
    std::optional<std::string> content;  // whole, as the steps left it, while it is held
    bool changed = false;                // content differs from the source's
    // Once converted: the changed content deflated, with its CRC and size.
    std::string deflated;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::vector<std::string> notes;  // the conversion's notes on it

    // The path below the root, parts joined.
    std::string Path() const;
    // The name the entry takes in the output.
    std::string OutputName() const;
};

class MemoryBook {
  public:
    // The entries of the book open in file, their names decoded where the tools' unpacking
    // decodes them; entries unzip writes nothing for, and symbolic links, are left out.
    MemoryBook(const platform::File& file, std::vector<ZipEntry> entries, bool decodeNames);

    // Reads every file's first bytes, and refuses (the reason) a file the text step must read
    // whole that is larger than kMostTextEntry.
    std::optional<std::string> ReadHeads();
    // The book's files for the font rule's step: folders, first bytes and rewrites in memory.
    BookFileAccess Access();
    // The folder's entries in byte order; nullopt with errno set when it is none.
    std::optional<std::vector<platform::FolderEntry>> List(const std::string& folder) const;
    // Reads the whole content of the item unless it is held already; the reason when it fails.
    std::optional<std::string> Load(BookItem& item) const;
    // Gives each item its name after the renames (full paths under kMemoryRoot).
    void GiveNewNames(const std::vector<Rename>& renames);
    // The indices of the files the text step reads whole, in the order of an unpacked walk.
    std::vector<std::size_t> TextFiles() const;

    std::vector<BookItem>& Items() { return items_; }
    const platform::File& File() const { return file_; }

  private:
    void AddToFolders(const BookItem& item);
    BookItem* Find(const std::string& path);

    const platform::File& file_;
    std::vector<BookItem> items_;
    // Each folder's entries (full path under the root), sorted by name.
    std::map<std::string, std::map<std::string, platform::EntryType>> folders_;
};
