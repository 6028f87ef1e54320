#include "book/report/FontUse.hpp"

#include <algorithm>
#include <array>
#include <set>
#include <string_view>

#include "book/report/FontCoverage.hpp"
#include "book/report/StyleRules.hpp"
#include "text/convert/UncertainPlaces.hpp"

namespace {

constexpr std::size_t kContext = 12;
constexpr std::array<std::string_view, 8> kGenericFamilies{
    "serif", "sans-serif", "monospace", "cursive", "fantasy", "system-ui", "inherit", "initial"};
constexpr std::array<std::string_view, 10> kVoidElements{"br",    "img", "hr",   "meta", "link",
                                                         "input", "col", "area", "base", "wbr"};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
    return lower;
}

// The first family of families that an @font-face declares, or empty: a generic family before
// it is what the reader uses.
std::string EmbeddedFamily(const std::vector<std::string>& families, const StyleRules& styles) {
    for (const std::string& family : families) {
        if (std::find(kGenericFamilies.begin(), kGenericFamilies.end(), family) !=
            kGenericFamilies.end()) {
            return {};
        }
        for (const FontFace& face : styles.faces) {
            if (face.family == family) {
                return family;
            }
        }
    }
    return {};
}

struct Element {
    std::string tag;
    std::string family;  // the embedded family its text is set in, or empty
};

// The value of attribute name (lower case) in a start tag's attributes, or empty.
std::string AttributeValue(std::string_view tag, std::string_view name) {
    const std::string lower = Lower(tag);
    for (std::size_t at = lower.find(name); at != std::string::npos;
         at = lower.find(name, at + 1)) {
        const std::size_t after = at + name.size();
        if (at == 0 || (lower[at - 1] != ' ' && lower[at - 1] != '\t' && lower[at - 1] != '\n')) {
            continue;
        }
        const std::size_t equals = lower.find_first_not_of(" \t\n", after);
        if (equals == std::string::npos || lower[equals] != '=') {
            continue;
        }
        const std::size_t open = lower.find_first_not_of(" \t\n", equals + 1);
        if (open == std::string::npos) {
            return {};
        }
        const char quote = tag[open];
        if (quote == '"' || quote == '\'') {
            const std::size_t close = tag.find(quote, open + 1);
            return std::string(tag.substr(open + 1, close - open - 1));
        }
        const std::size_t end = std::min(tag.find_first_of(" \t\n/>", open), tag.size());
        return std::string(tag.substr(open, end - open));
    }
    return {};
}

// The family the element of the start tag (its text between '<' and '>') sets its text in.
std::string FamilyOf(std::string_view tag, const std::string& name, const std::string& parent,
                     const StyleRules& styles) {
    const std::string inline_ = FontFamilyIn(AttributeValue(tag, "style"));
    if (!inline_.empty()) {
        return EmbeddedFamily(FamiliesOf(inline_), styles);
    }
    std::vector<std::string> classes;
    const std::string classList = AttributeValue(tag, "class");
    for (std::size_t at = 0; at < classList.size();) {
        const std::size_t end = std::min(classList.find(' ', at), classList.size());
        if (end > at) {
            classes.push_back(classList.substr(at, end - at));
        }
        at = end + 1;
    }
    const std::string id = AttributeValue(tag, "id");
    const FamilyRule* best = nullptr;
    for (const FamilyRule& rule : styles.rules) {
        const bool matches =
            (rule.tag.empty() || rule.tag == name) && (rule.id.empty() || rule.id == id) &&
            std::all_of(rule.classes.begin(), rule.classes.end(), [&](const std::string& c) {
                return std::find(classes.begin(), classes.end(), c) != classes.end();
            });
        if (matches && (best == nullptr || rule.specificity >= best->specificity)) {
            best = &rule;
        }
    }
    return best != nullptr ? EmbeddedFamily(best->families, styles) : parent;
}

// What the text sets in one font file: the families it serves and its characters.
struct FontUse {
    std::set<std::string> families;
    std::map<char32_t, MissingGlyph> characters;
};
using Usage = std::map<std::string, FontUse>;  // by the font file's path

std::size_t NextCharacter(std::string_view text, std::size_t at, char32_t& character) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    character = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length && at + i < text.size(); ++i) {
        character = character << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    }
    return length;
}

void Count(const BookText& file, std::size_t at, std::size_t length, char32_t character,
           FontUse& font) {
    MissingGlyph& use = font.characters[character];
    if (use.count++ == 0) {
        text::TextContext context = text::ContextAround(file.text, at, length, kContext);
        use = {character, 1, file.path, std::move(context.before), std::move(context.after)};
    }
}

// The characters of file[begin, end) set in family go to the fonts of its faces that cover them.
void CountText(const BookText& file, std::size_t begin, std::size_t end, const std::string& family,
               const StyleRules& styles, Usage& usage) {
    if (family.empty()) {
        return;
    }
    for (std::size_t at = begin; at < end;) {
        char32_t character = 0;
        const std::size_t length = NextCharacter(file.text, at, character);
        for (const FontFace& face : styles.faces) {
            if (character < 0x80 || face.family != family || !face.Covers(character)) {
                continue;
            }
            for (const std::string& font : face.fonts) {
                Count(file, at, length, character, usage[font]);
            }
        }
        at += length;
    }
}

// The end of the markup construct at at ('<'), past its '>'.
std::size_t SkipConstruct(std::string_view text, std::size_t at) {
    for (const auto& [open, close] : {std::pair{"<!--", "-->"}, std::pair{"<![CDATA[", "]]>"}}) {
        if (text.substr(at).starts_with(open)) {
            const std::size_t end = text.find(close, at);
            return end == std::string_view::npos ? text.size()
                                                 : end + std::string_view(close).size();
        }
    }
    const std::size_t end = text.find('>', at);
    return end == std::string_view::npos ? text.size() : end + 1;
}

void WalkMarkup(const BookText& file, const StyleRules& styles, Usage& usage) {
    const std::string_view text = file.text;
    std::vector<Element> open{{"", ""}};
    bool inBody = false;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t tag = std::min(text.find('<', at), text.size());
        if (inBody) {
            CountText(file, at, tag, open.back().family, styles, usage);
        }
        if (tag == text.size()) {
            break;
        }
        at = SkipConstruct(text, tag);
        const std::string_view inside = text.substr(tag + 1, at - tag - 2);
        if (inside.empty() || inside[0] == '!' || inside[0] == '?') {
            continue;
        }
        const bool closing = inside[0] == '/';
        std::string name = Lower(
            inside.substr(closing ? 1 : 0, inside.find_first_of(" \t\n/>", 1) - (closing ? 1 : 0)));
        name = name.substr(name.find(':') == std::string::npos ? 0 : name.find(':') + 1);
        if (closing) {
            const auto found = std::find_if(open.rbegin(), open.rend(),
                                            [&](const Element& e) { return e.tag == name; });
            if (found != open.rend() && open.size() > 1) {
                open.erase(std::next(found).base(), open.end());
            }
            continue;
        }
        inBody = inBody || name == "body";
        if (name == "style" || name == "script") {
            const std::size_t end = Lower(text.substr(at)).find("</" + name);
            at = end == std::string::npos ? text.size() : at + end;
            continue;
        }
        const bool empty =
            inside.back() == '/' ||
            std::find(kVoidElements.begin(), kVoidElements.end(), name) != kVoidElements.end();
        if (!empty) {
            open.push_back({name, FamilyOf(inside, name, open.back().family, styles)});
        }
    }
}

// The rules a document follows: those of the stylesheets it links, in order, then its own
// <style> blocks.
StyleRules RulesOf(const BookText& document, const std::map<std::string, StyleRules>& sheets) {
    StyleRules styles;
    const std::string lower = Lower(document.text);
    for (std::size_t at = lower.find("<link"); at != std::string::npos;
         at = lower.find("<link", at + 1)) {
        const std::string_view tag =
            std::string_view(document.text).substr(at, lower.find('>', at) - at);
        const auto sheet = sheets.find(ResolvedPath(document.path, AttributeValue(tag, "href")));
        // An alternate stylesheet waits for the reader to choose it.
        const std::string rel = Lower(AttributeValue(tag, "rel"));
        if (rel.find("stylesheet") == std::string::npos ||
            rel.find("alternate") != std::string::npos || sheet == sheets.end()) {
            continue;
        }
        styles.faces.insert(styles.faces.end(), sheet->second.faces.begin(),
                            sheet->second.faces.end());
        for (FamilyRule rule : sheet->second.rules) {
            rule.order = styles.rules.size();
            styles.rules.push_back(std::move(rule));
        }
    }
    for (std::size_t at = lower.find("<style"); at != std::string::npos;
         at = lower.find("<style", at + 1)) {
        const std::size_t open = lower.find('>', at);
        const std::size_t close = lower.find("</style", open);
        if (open == std::string::npos || close == std::string::npos) {
            break;
        }
        AddStyleRules(std::string_view(document.text).substr(open + 1, close - open - 1),
                      document.path, styles);
    }
    return styles;
}

const std::string* FontBytes(const std::string& path,
                             const std::map<std::string, std::string>& fontFiles) {
    if (const auto found = fontFiles.find(path); found != fontFiles.end()) {
        return &found->second;
    }
    return nullptr;
}

// The font file at path against the characters the text sets in it.
FontFinding Check(const std::string& path, const FontUse& use, const std::string& bytes) {
    FontFinding finding{
        path, {use.families.begin(), use.families.end()}, use.characters.size(), {}, {}};
    const FontCoverage coverage(bytes);
    finding.problem = coverage.Problem();
    for (const auto& [character, glyph] : use.characters) {
        if (finding.problem.empty() && !coverage.Has(character)) {
            finding.missing.push_back(glyph);
        }
    }
    std::stable_sort(finding.missing.begin(), finding.missing.end(),
                     [](const auto& a, const auto& b) { return a.count > b.count; });
    return finding;
}

void NoteFaces(const StyleRules& styles, Usage& usage) {
    for (const FontFace& face : styles.faces) {
        for (const std::string& font : face.fonts) {
            usage[font].families.insert(face.family);
        }
    }
}

}  // namespace

std::vector<FontFinding> CheckFonts(const std::vector<BookText>& texts,
                                    const std::map<std::string, std::string>& fontFiles) {
    std::map<std::string, StyleRules> sheets;
    Usage usage;
    for (const BookText& file : texts) {
        if (file.stylesheet) {
            AddStyleRules(file.text, file.path, sheets[file.path]);
            NoteFaces(sheets[file.path], usage);
        }
    }
    for (const BookText& file : texts) {
        if (!file.stylesheet) {
            const StyleRules styles = RulesOf(file, sheets);
            NoteFaces(styles, usage);
            WalkMarkup(file, styles, usage);
        }
    }
    std::vector<FontFinding> findings;
    // A source that is not one of the book's files is the reader's own font (the font rule
    // names such places): nothing to check.
    for (const auto& [path, use] : usage) {
        if (const std::string* bytes = FontBytes(path, fontFiles)) {
            findings.push_back(Check(path, use, *bytes));
        }
    }
    return findings;
}

bool IsFontFileName(const std::string& name) {
    const std::string lower = Lower(name);
    return lower.ends_with(".ttf") || lower.ends_with(".otf") || lower.ends_with(".woff") ||
           lower.ends_with(".woff2");
}
