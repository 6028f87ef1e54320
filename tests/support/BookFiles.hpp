#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/TempFolder.hpp"
#include "tests/support/TestProcesses.hpp"
#include "tests/support/ZipWriter.hpp"

namespace testing_support {

// Bytes that are not UTF-8 (as in images and fonts), so the conversion must leave them alone.
inline std::string BinaryBytes(char seed) {
    std::string bytes = "\x89PNG\r\n\x1a\n";
    for (int i = 0; i < 512; ++i) {
        bytes += static_cast<char>(0x80 + ((i * 7 + seed) % 0x80));
    }
    return bytes;
}

// A small EPUB 3 book in Simplified script: a chapter, a stylesheet with a body rule, an image
// and a font. The chapter holds "简体书", which becomes "簡體書".
inline std::vector<ZipEntrySpec> SampleBookEntries() {
    return {
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<container version=\"1.0\" "
         "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
         "<rootfiles><rootfile full-path=\"OEBPS/content.opf\" "
         "media-type=\"application/oebps-package+xml\"/></rootfiles>\n</container>\n"},
        {"OEBPS/content.opf",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
         "unique-identifier=\"id\" xml:lang=\"zh-CN\">\n"
         "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
         "<dc:identifier id=\"id\">urn:uuid:0b0c4d5e-1f2a-4b3c-8d9e-0a1b2c3d4e5f</dc:identifier>\n"
         "<dc:title>简体书</dc:title><dc:language>zh-CN</dc:language>\n"
         "<meta property=\"dcterms:modified\">2024-01-01T00:00:00Z</meta>\n</metadata>\n"
         "<manifest>\n"
         "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" "
         "properties=\"nav\"/>\n"
         "<item id=\"c1\" href=\"chapter.xhtml\" media-type=\"application/xhtml+xml\"/>\n"
         "<item id=\"css\" href=\"style.css\" media-type=\"text/css\"/>\n"
         "<item id=\"img\" href=\"images/cover.png\" media-type=\"image/png\"/>\n"
         "<item id=\"font\" href=\"fonts/book.ttf\" media-type=\"font/ttf\"/>\n"
         "</manifest>\n<spine><itemref idref=\"c1\"/></spine>\n</package>\n"},
        {"OEBPS/nav.xhtml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\" "
         "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>目录</title></head>\n"
         "<body><nav epub:type=\"toc\"><ol><li><a href=\"chapter.xhtml\">简体书</a></li>"
         "</ol></nav></body></html>\n"},
        {"OEBPS/chapter.xhtml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>简体书</title>"
         "<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"/></head>\n"
         "<body><p>这是一本简体书。</p><img src=\"images/cover.png\" alt=\"图\"/></body>"
         "</html>\n"},
        {"OEBPS/style.css", "body { margin: 0; }\n"},
        {"OEBPS/images/cover.png", BinaryBytes(1)},
        {"OEBPS/fonts/book.ttf", BinaryBytes(2)},
    };
}

// The files under root (symbolic links too, by their target) by path relative to root.
inline std::map<std::string, std::string> ReadTree(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string relative = std::filesystem::relative(entry.path(), root).string();
        if (entry.is_symlink()) {
            files[relative] = "-> " + std::filesystem::read_symlink(entry.path()).string();
        } else if (entry.is_regular_file()) {
            files[relative] = ReadFileBytes(entry.path().string());
        }
    }
    return files;
}

// The names in folder.
inline std::set<std::string> NamesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// The files of the archive, unpacked with the real unzip.
inline std::map<std::string, std::string> ReadArchive(const std::string& archive) {
    TempFolder unpacked;
    const CommandOutput result = RunShellCommand("unzip -qq -o " + ShellQuoted(archive) + " -d " +
                                                 ShellQuoted(unpacked.path()));
    if (result.exitStatus > 1) {
        throw std::runtime_error("cannot unpack " + archive);
    }
    return ReadTree(unpacked.path());
}

// The entry names of the archive, in their stored order.
inline std::vector<std::string> ArchiveEntryNames(const std::string& archive) {
    const CommandOutput listing = RunShellCommand("unzip -Z1 " + ShellQuoted(archive));
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t end; (end = listing.standardOutput.find('\n', start)) != std::string::npos;
         start = end + 1) {
        names.push_back(listing.standardOutput.substr(start, end - start));
    }
    return names;
}

// Packs the tree at root into a book as an EPUB wants it: mimetype first and stored.
inline void PackTree(const std::string& root, const std::string& book) {
    const std::string command = "cd " + ShellQuoted(root) + " && LC_ALL=C.UTF-8 zip -qX0 " +
                                ShellQuoted(book) + " mimetype && LC_ALL=C.UTF-8 zip -qXr9 " +
                                ShellQuoted(book) + " . -x mimetype";
    if (RunShellCommand(command).exitStatus != 0) {
        throw std::runtime_error("cannot pack " + root);
    }
}

}  // namespace testing_support
