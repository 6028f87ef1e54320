#pragma once

// What a user may ask of a converted book beside its script: the reader's conventions.
namespace text {

// How the pages of a converted book are set.
enum class PageLayout {
    AsBook,      // as the book has them
    Vertical,    // vertical-rl text, pages turned right to left
    Horizontal,  // horizontal-tb text, pages turned left to right
};

struct BookConventions {
    // “”‘’ become 「」『』 when converting to Traditional, and the reverse, in text content.
    bool quotes = false;
    PageLayout layout = PageLayout::AsBook;
};

}  // namespace text
