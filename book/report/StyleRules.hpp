#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The part of a book's stylesheets that decides fonts: @font-face declarations and the rules
// that set font-family, each selector by its last part.
struct FontFace {
    std::string family;              // lower case, unquoted
    std::vector<std::string> fonts;  // the src url()s, as paths in the book
    // The unicode-range, first and last of each range; empty: every character.
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool Covers(char32_t character) const;
};

struct FamilyRule {
    std::string tag;  // lower case; empty: any element
    std::vector<std::string> classes;
    std::string id;
    std::vector<std::string> families;  // lower case, unquoted, in order
    int specificity = 0;
    std::size_t order = 0;
};

struct StyleRules {
    std::vector<FontFace> faces;
    std::vector<FamilyRule> rules;
};

// Adds the font faces and family rules of css, whose url()s are relative to the book path
// base (the stylesheet's, or the document's for a <style> block).
void AddStyleRules(std::string_view css, const std::string& base, StyleRules& rules);

// The families of a font-family value, lower case and unquoted.
std::vector<std::string> FamiliesOf(std::string_view value);

// The font-family value among the declarations (what a rule's block or a style="" holds), or
// empty when none sets it.
std::string FontFamilyIn(std::string_view declarations);

// The path in the book that reference, relative to the book path base, names.
std::string ResolvedPath(const std::string& base, std::string_view reference);
