#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

// Which characters of a book's text are set in which embedded font, and which of them the
// font lacks. How a character's font is judged: the font-family of the element's style=""
// attribute, else of the rule of the book's stylesheets and <style> blocks whose selector's
// last part (element, classes, id; a part with an attribute or pseudo-class is not followed)
// matches the element and is the most specific, else the parent's. A document follows the
// stylesheets its <link rel="stylesheet"> elements name and its own <style> blocks (not their
// @import); a family list gives its first family that an @font-face declares, unless a
// generic family comes before it; a face's unicode-range limits what it sets. Only characters
// beyond ASCII count: the conversion changes no others.

struct BookText {
    std::string path;  // in the book
    bool stylesheet = false;
    std::string text;  // UTF-8, as converted
};

struct MissingGlyph {
    char32_t character = 0;
    std::size_t count = 0;
    std::string file;  // the first place
    std::string before, after;
};

struct FontFinding {
    std::string path;                   // the font file in the book
    std::vector<std::string> families;  // the @font-face families it serves
    std::size_t characters = 0;         // distinct characters set in it
    std::vector<MissingGlyph> missing;  // by count, most first
    std::string problem;                // why it could not be read, or empty
};

// One finding per font file of the book (fontFiles, by path) that an @font-face names, in the
// order of the paths.
std::vector<FontFinding> CheckFonts(const std::vector<BookText>& texts,
                                    const std::map<std::string, std::string>& fontFiles);

// True for the name of a font file the check reads: .ttf, .otf, .woff, .woff2, in any case.
bool IsFontFileName(const std::string& name);
