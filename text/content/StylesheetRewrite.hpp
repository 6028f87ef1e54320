#pragma once

#include <cstddef>

#include "text/content/TextRewriter.hpp"

namespace text {

enum class CssForm {
    Stylesheet,    // a .css file or a <style> block: rules with selectors
    Declarations,  // a style="" attribute: declarations alone
};

// Marks the spans of the CSS at rewriter.Content()[begin, end) that do not convert as text:
// font family names (font-family and font values, local() names) are kept byte for byte, and
// url() and @import references are converted as names.
void RewriteStylesheet(TextRewriter& rewriter, std::size_t begin, std::size_t end, CssForm form);

}  // namespace text
