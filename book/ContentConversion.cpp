#include "book/ContentConversion.hpp"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::string_view, 8> kMarkupExtensions{".xhtml", ".html", ".htm", ".xml",
                                                            ".opf",   ".ncx",  ".svg", ".smil"};

bool EndsWithIgnoringCase(std::string_view name, std::string_view tail) {
    return name.size() >= tail.size() &&
           std::equal(tail.begin(), tail.end(), name.end() - tail.size(), [](char a, char b) {
               return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b);
           });
}

}  // namespace

ContentKind KindOfFile(std::string_view fileName) {
    if (EndsWithIgnoringCase(fileName, ".css")) {
        return ContentKind::Stylesheet;
    }
    for (std::string_view extension : kMarkupExtensions) {
        if (EndsWithIgnoringCase(fileName, extension)) {
            return ContentKind::Markup;
        }
    }
    return ContentKind::OtherText;
}

// Until the reference-aware conversion of a file's text exists, every kind is plain text.
std::string ConvertContent(std::string_view content, ContentKind /*kind*/,
                           const text::TextConverter& converter, text::Profile /*profile*/) {
    return converter.Convert(content);
}

std::string ConvertNameComponent(std::string_view component, const text::TextConverter& converter) {
    return converter.Convert(component);
}
