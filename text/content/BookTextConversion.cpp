#include "text/content/BookTextConversion.hpp"

#include <array>

#include "text/content/MarkupRewrite.hpp"
#include "text/content/StylesheetRewrite.hpp"
#include "text/content/TextRewriter.hpp"
#include "text/unicode/AsciiCase.hpp"

namespace text {
namespace {

constexpr std::array<std::string_view, 8> kMarkupExtensions{"xhtml", "html", "htm", "xml",
                                                            "opf",   "ncx",  "svg", "smil"};

}  // namespace

BookTextKind BookTextKindOf(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) {
        return BookTextKind::PlainText;
    }
    const std::string_view extension = fileName.substr(dot + 1);
    if (SameIgnoringAsciiCase(extension, "css")) {
        return BookTextKind::Stylesheet;
    }
    for (std::string_view markup : kMarkupExtensions) {
        if (SameIgnoringAsciiCase(extension, markup)) {
            return BookTextKind::Markup;
        }
    }
    return BookTextKind::PlainText;
}

std::string ConvertBookText(std::string_view content, BookTextKind kind,
                            const TextConverter& converter, Profile profile,
                            const BookConventions& conventions, UncertainPlaces* places) {
    std::string out;
    out.reserve(content.size() + content.size() / 8);
    const ReferenceSyntax syntax =
        kind == BookTextKind::Markup ? ReferenceSyntax::Markup : ReferenceSyntax::Stylesheet;
    TextRewriter rewriter(content, syntax, converter, out);
    rewriter.NoteIn(places);
    if (kind == BookTextKind::Markup) {
        RewriteMarkup(rewriter, InfoOf(profile).languageTag, DirectionOf(profile), conventions);
    } else if (kind == BookTextKind::Stylesheet) {
        RewriteStylesheet(rewriter, 0, content.size(), CssForm::Stylesheet);
    }
    rewriter.Finish();
    return out;
}

}  // namespace text
