#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "text/content/BookConventions.hpp"
#include "text/content/BookTextConversion.hpp"
#include "text/convert/TextConverter.hpp"
#include "text/convert/UncertainPlaces.hpp"
#include "text/profile/ConversionProfile.hpp"

// The new content of a file given its whole old content, or nullopt when it stays as it is.
using ContentTransform = std::function<std::optional<std::string>(std::string_view)>;

// Takes a note on a file worth a word to the user, a line without a line feed.
using FileNote = std::function<void(std::string_view line)>;

// What a file's content becomes: its new content, or nullopt when it stays as it is, and the
// note worth a word to the user (empty when there is none).
struct Rewrite {
    std::optional<std::string> contents;
    std::string note;
};

// The content of the book file named fileName (its last component) that holds bytes, once
// transform has been applied: markup and stylesheets in UTF-16 or a declared GB encoding reach
// transform in UTF-8 with their declarations saying UTF-8 and come back so even when transform
// leaves them; one whose declaration and bytes disagree stays as it is. The note names the file
// as shownName. Throws std::bad_alloc when memory runs out.
Rewrite RewriteContents(std::string_view fileName, const std::string& shownName,
                        std::string_view bytes, const ContentTransform& transform);

// Reads the file at path whole and, when transform gives new content, writes that to a new file
// beside it with its permission bits, which then replaces it whole, so the file is never left
// half written. A markup file or stylesheet (by its name) in UTF-16 or a declared GB encoding
// reaches transform in UTF-8 with its declarations saying UTF-8, and is written back so even
// when transform leaves it; one whose declaration and bytes disagree is left as it is, with a
// note. Returns the reason, naming the file as shownName, when the file cannot be read, held in
// memory or replaced; nullopt otherwise.
std::optional<std::string> ReplaceFileContents(const std::string& path,
                                               const std::string& shownName,
                                               const ContentTransform& transform,
                                               const FileNote& note = {});

// Sees what the text step does to each file, for a report; called on the step's workers.
class TextStepWatch {
  public:
    virtual ~TextStepWatch() = default;
    // A file taken for UTF-8 text, named by its path in the book: its text after the step, and
    // what its conversion noted (uncertain choices, changed characters).
    virtual void Converted(const std::string& shownName, text::BookTextKind kind,
                           std::string_view after, const text::UncertainPlaces& places) = 0;
};

// The converter, profile and conventions a book's text files are converted with, and what
// watches the step (null: nothing, and the conversion notes nothing).
struct TextConversion {
    const text::TextConverter& converter;
    text::Profile profile;
    text::BookConventions conventions = {};
    TextStepWatch* watch = nullptr;
};

// The text step's transform of the file named fileName: the converted text of content taken for
// UTF-8 text, nullopt when it is not taken for text or does not change. Keeps a reference to
// conversion; a watch hears of the file as shownName.
ContentTransform TextConversionOf(std::string_view fileName, const TextConversion& conversion,
                                  const std::string& shownName = {});

// False when the first bytes of the file named fileName (text::kSignatureLength of them, or the
// whole file when shorter) show that the text step leaves it as it is whatever follows.
bool MayBeText(std::string_view fileName, std::string_view head);

// Converts the file at path through ReplaceFileContents when it is taken for text. A file that
// is not text, or whose text (in its own encoding) does not change, stays as it is.
std::optional<std::string> ConvertTextFile(const std::string& path, const std::string& shownName,
                                           const TextConversion& conversion,
                                           const FileNote& note = {});
