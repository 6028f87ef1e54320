#pragma once

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/TempFolder.hpp"

namespace testing_support {

// The text with each %XX replaced by its byte.
inline std::string PercentDecoded(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(text[i + 1]) &&
            std::isxdigit(text[i + 2])) {
            decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The references that a book's file at path makes: href, src and full-path attributes in
// markup, url() in stylesheets and style blocks.
inline std::vector<std::string> ReferencesIn(const std::string& bytes) {
    static const std::regex reference(
        R"re((?:href|src|full-path)\s*=\s*"([^"]*)"|url\(\s*["']?([^"')]*)["']?\s*\))re");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), reference);
         it != std::sregex_iterator(); ++it) {
        found.push_back((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
    }
    return found;
}

// Each reference under the unpacked book at root that does not lead to a file, or to an id
// inside it, as "file -> reference"; references with a scheme are left out.
inline std::vector<std::string> BrokenReferences(const std::string& root) {
    namespace fs = std::filesystem;
    static const std::regex withScheme("^[A-Za-z][A-Za-z0-9+.-]*:");
    std::vector<std::string> broken;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() ||
            !std::regex_match(extension, std::regex(R"(\.(xhtml|html|opf|ncx|svg|css|xml))"))) {
            continue;
        }
        const std::string file = fs::relative(entry.path(), root).string();
        for (const std::string& reference : ReferencesIn(ReadFileBytes(entry.path()))) {
            if (reference.empty() || std::regex_search(reference, withScheme)) {
                continue;
            }
            const std::size_t hash = reference.find('#');
            const std::string target = PercentDecoded(reference.substr(0, hash));
            const std::string id =
                hash == std::string::npos ? "" : PercentDecoded(reference.substr(hash + 1));
            const fs::path base =
                file == "META-INF/container.xml" ? fs::path(root) : entry.path().parent_path();
            const fs::path resolved =
                target.empty() ? entry.path() : (base / target).lexically_normal();
            const bool found = fs::is_regular_file(resolved) &&
                               (id.empty() || ReadFileBytes(resolved).find("id=\"" + id + "\"") !=
                                                  std::string::npos);
            if (!found) {
                broken.push_back(file + " -> " + reference);
            }
        }
    }
    return broken;
}

}  // namespace testing_support
