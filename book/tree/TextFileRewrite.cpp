#include "book/tree/TextFileRewrite.hpp"

#include <cerrno>
#include <new>

#include "platform/ErrorReason.hpp"
#include "platform/File.hpp"
#include "platform/FileSystem.hpp"
#include "platform/ReplacementFile.hpp"
#include "text/content/BookTextConversion.hpp"
#include "text/unicode/BinarySignature.hpp"
#include "text/unicode/TextEncoding.hpp"

namespace {

std::string_view FileNameOf(std::string_view path) {
    return path.substr(path.rfind('/') + 1);
}

// How the book file at path with these bytes is read as UTF-8: markup and stylesheets may be
// in another encoding, any other file is taken as it is.
text::Utf8Reading ReadingOf(std::string_view fileName, std::string_view bytes) {
    switch (text::BookTextKindOf(fileName)) {
        case text::BookTextKind::Markup:
            return text::ReadAsUtf8(bytes, text::DeclarationSyntax::Markup);
        case text::BookTextKind::Stylesheet:
            return text::ReadAsUtf8(bytes, text::DeclarationSyntax::Stylesheet);
        default:
            return {};
    }
}

// The note on a file read in another encoding than it appears to be in, if any.
std::string NoteOn(const std::string& shownName, const text::Utf8Reading& reading) {
    const std::string declared = reading.declared.empty() ? "" : " " + reading.declared;
    const std::string encoding(reading.encoding);
    switch (reading.reading) {
        case text::Reading::Decoded:
            return shownName + " 由" + (declared.empty() ? " " + encoding : declared) +
                   " 编码转为 UTF-8";
        case text::Reading::Utf8DespiteDeclaration:
            return shownName + " 声明的编码是" + declared + "，内容却是 UTF-8，按 UTF-8 转换";
        case text::Reading::Mismatch:
            return declared.empty()
                       ? shownName + " 的内容不是合法的 " + encoding + " 文本，保持原样"
                       : shownName + " 的内容与它声明的编码" + declared + " 不符，保持原样";
        case text::Reading::NoDecoder:
            return shownName + " 的编码 " + encoding + " 无法在本系统解读，保持原样";
        default:
            return {};
    }
}

}  // namespace

Rewrite RewriteContents(std::string_view fileName, const std::string& shownName,
                        std::string_view bytes, const ContentTransform& transform) {
    text::Utf8Reading reading = ReadingOf(fileName, bytes);
    Rewrite rewrite{std::nullopt, NoteOn(shownName, reading)};
    if (reading.reading == text::Reading::Decoded) {
        rewrite.contents = transform(reading.text);
        if (!rewrite.contents) {
            rewrite.contents = std::move(reading.text);
        }
    } else if (reading.reading == text::Reading::AsItIs ||
               reading.reading == text::Reading::Utf8DespiteDeclaration) {
        rewrite.contents = transform(bytes);
    }
    return rewrite;
}

std::optional<std::string> ReplaceFileContents(const std::string& path,
                                               const std::string& shownName,
                                               const ContentTransform& transform,
                                               const FileNote& note) {
    try {
        const std::optional<std::string> bytes = platform::ReadWholeFile(path);
        if (!bytes) {
            const int error = errno;
            return platform::ReasonOf("无法读取 " + shownName, error);
        }
        const Rewrite rewrite = RewriteContents(FileNameOf(path), shownName, *bytes, transform);
        const auto tell = [&] {
            if (note && !rewrite.note.empty()) {
                note(rewrite.note);
            }
        };
        if (!rewrite.contents) {
            tell();
            return std::nullopt;
        }
        platform::ReplacementFile replacement(path);
        if (replacement.Opened() &&
            replacement.Write(rewrite.contents->data(), rewrite.contents->size()) &&
            replacement.Commit()) {
            tell();
            return std::nullopt;
        }
        return platform::ReasonOf("无法写回 " + shownName, replacement.Error());
    } catch (const std::bad_alloc&) {
        return "内存不足，无法转换 " + shownName;
    }
}

ContentTransform TextConversionOf(std::string_view fileName, const TextConversion& conversion,
                                  const std::string& shownName) {
    const text::BookTextKind kind = text::BookTextKindOf(fileName);
    return [kind, &conversion, shownName](std::string_view bytes) -> std::optional<std::string> {
        if (!text::IsTakenForUtf8Text(bytes)) {
            return std::nullopt;
        }
        std::string converted;
        if (conversion.watch == nullptr) {
            converted = text::ConvertBookText(bytes, kind, conversion.converter, conversion.profile,
                                              conversion.conventions);
        } else {
            text::UncertainPlaces places;
            converted = text::ConvertBookText(bytes, kind, conversion.converter, conversion.profile,
                                              conversion.conventions, &places);
            conversion.watch->Converted(shownName, kind, converted, places);
        }
        if (converted == bytes) {
            return std::nullopt;
        }
        return converted;
    };
}

bool MayBeText(std::string_view fileName, std::string_view head) {
    // Markup and stylesheets may be in UTF-16, whose start can look like an audio frame.
    return text::BookTextKindOf(fileName) != text::BookTextKind::PlainText ||
           !text::HasBinarySignature(head);
}

std::optional<std::string> ConvertTextFile(const std::string& path, const std::string& shownName,
                                           const TextConversion& conversion, const FileNote& note) {
    return ReplaceFileContents(path, shownName,
                               TextConversionOf(FileNameOf(path), conversion, shownName), note);
}
