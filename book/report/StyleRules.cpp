#include "book/report/StyleRules.hpp"

#include <algorithm>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return lower;
}

std::string_view Unquoted(std::string_view text) {
    text = Trimmed(text);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front()) {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

std::string WithoutComments(std::string_view css) {
    std::string out;
    for (std::size_t at = 0; at < css.size();) {
        const std::size_t open = css.find("/*", at);
        out.append(css.substr(at, open - at));
        if (open == std::string_view::npos) {
            break;
        }
        const std::size_t close = css.find("*/", open + 2);
        at = close == std::string_view::npos ? css.size() : close + 2;
    }
    return out;
}

// The end of the block whose '{' is at open: the offset of its matching '}', or the text's end.
std::size_t BlockEnd(std::string_view css, std::size_t open) {
    int depth = 0;
    for (std::size_t at = open; at < css.size(); ++at) {
        depth += css[at] == '{' ? 1 : css[at] == '}' ? -1 : 0;
        if (depth == 0) {
            return at;
        }
    }
    return css.size();
}

// The value of the declaration named name (lower case) among declarations, or nullopt.
std::string DeclarationValue(std::string_view declarations, std::string_view name) {
    std::string found;
    for (std::size_t at = 0; at <= declarations.size();) {
        const std::size_t end = std::min(declarations.find(';', at), declarations.size());
        const std::string_view declaration = declarations.substr(at, end - at);
        const std::size_t colon = declaration.find(':');
        if (colon != std::string_view::npos &&
            Lower(Trimmed(declaration.substr(0, colon))) == name) {
            found = Trimmed(declaration.substr(colon + 1));  // the last one counts
        }
        at = end + 1;
    }
    return found;
}

std::vector<std::string> UrlsOf(std::string_view value) {
    std::vector<std::string> urls;
    for (std::size_t at = Lower(value).find("url("); at != std::string::npos;
         at = Lower(value).find("url(", at)) {
        const std::size_t close = value.find(')', at);
        if (close == std::string_view::npos) {
            break;
        }
        urls.emplace_back(Unquoted(value.substr(at + 4, close - at - 4)));
        at = close;
    }
    return urls;
}

// A unicode-range value: U+4E00-9FFF, U+5B57, U+4?? (a ? is any digit), separated by commas.
std::vector<std::pair<char32_t, char32_t>> RangesOf(std::string_view value) {
    std::vector<std::pair<char32_t, char32_t>> ranges;
    for (std::size_t at = 0; at <= value.size();) {
        const std::size_t comma = std::min(value.find(',', at), value.size());
        std::string range = Lower(Trimmed(value.substr(at, comma - at)));
        at = comma + 1;
        if (!range.starts_with("u+")) {
            continue;
        }
        range.erase(0, 2);
        const std::size_t dash = range.find('-');
        std::string low = range.substr(0, dash);
        std::string high = dash == std::string::npos ? low : range.substr(dash + 1);
        std::replace(low.begin(), low.end(), '?', '0');
        std::replace(high.begin(), high.end(), '?', 'f');
        try {
            ranges.emplace_back(std::stoul(low, nullptr, 16), std::stoul(high, nullptr, 16));
        } catch (const std::exception&) {
            // Not a range: the declaration is ignored, as a browser ignores it.
        }
    }
    return ranges;
}

// The rule of one selector, by its last compound part. A part with an attribute or a pseudo-class
// is not followed: guessing would set text in a font it may never get.
void AddSelector(std::string_view selector, const std::vector<std::string>& families,
                 StyleRules& rules) {
    selector = Trimmed(selector);
    const std::size_t last = selector.find_last_of(" \t\n>+~");
    std::string_view part = last == std::string_view::npos ? selector : selector.substr(last + 1);
    if (part.empty() || part.find_first_of(":[") != std::string_view::npos) {
        return;
    }
    FamilyRule rule{{}, {}, {}, families, 0, rules.rules.size()};
    std::size_t at = 0;
    const auto name = [&]() {
        const std::size_t end = std::min(part.find_first_of(".#", at + 1), part.size());
        std::string_view text = part.substr(at, end - at);
        at = end;
        return text;
    };
    while (at < part.size()) {
        if (part[at] == '.') {
            rule.classes.emplace_back(name().substr(1));
            rule.specificity += 10;
        } else if (part[at] == '#') {
            rule.id = name().substr(1);
            rule.specificity += 100;
        } else {
            rule.tag = Lower(name());
            rule.specificity += rule.tag == "*" ? 0 : 1;
        }
    }
    if (rule.tag == "*") {
        rule.tag.clear();
    }
    rules.rules.push_back(std::move(rule));
}

void AddRule(std::string_view prelude, std::string_view block, const std::string& base,
             StyleRules& rules) {
    if (Lower(Trimmed(prelude)) == "@font-face") {
        FontFace face{std::string(Lower(Unquoted(DeclarationValue(block, "font-family")))), {}, {}};
        for (const std::string& url : UrlsOf(DeclarationValue(block, "src"))) {
            face.fonts.push_back(ResolvedPath(base, url));
        }
        face.ranges = RangesOf(DeclarationValue(block, "unicode-range"));
        if (!face.family.empty()) {
            rules.faces.push_back(std::move(face));
        }
        return;
    }
    if (!prelude.empty() && Trimmed(prelude).front() == '@') {
        AddStyleRules(block, base, rules);  // @media, @supports: their rules hold
        return;
    }
    const std::string value = FontFamilyIn(block);
    if (value.empty()) {
        return;
    }
    const std::vector<std::string> families = FamiliesOf(value);
    for (std::size_t at = 0; at <= prelude.size();) {
        const std::size_t comma = std::min(prelude.find(',', at), prelude.size());
        AddSelector(prelude.substr(at, comma - at), families, rules);
        at = comma + 1;
    }
}

}  // namespace

bool FontFace::Covers(char32_t character) const {
    return ranges.empty() ||
           std::any_of(ranges.begin(), ranges.end(), [character](const auto& range) {
               return range.first <= character && character <= range.second;
           });
}

void AddStyleRules(std::string_view css, const std::string& base, StyleRules& rules) {
    const std::string text = WithoutComments(css);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t open = text.find_first_of("{;", at);
        if (open == std::string::npos) {
            break;
        }
        if (text[open] == ';') {  // @import, @charset, @namespace
            at = open + 1;
            continue;
        }
        const std::size_t close = BlockEnd(text, open);
        const std::string_view all(text);
        AddRule(all.substr(at, open - at), all.substr(open + 1, close - open - 1), base, rules);
        at = close + 1;
    }
}

std::vector<std::string> FamiliesOf(std::string_view value) {
    std::vector<std::string> families;
    for (std::size_t at = 0; at <= value.size();) {
        const std::size_t comma = std::min(value.find(',', at), value.size());
        std::string_view family = value.substr(at, comma - at);
        family = family.substr(0, std::min(family.find('!'), family.size()));
        if (!Unquoted(family).empty()) {
            families.push_back(Lower(Unquoted(family)));
        }
        at = comma + 1;
    }
    return families;
}

std::string FontFamilyIn(std::string_view declarations) {
    return DeclarationValue(declarations, "font-family");
}

std::string ResolvedPath(const std::string& base, std::string_view reference) {
    reference = reference.substr(0, std::min(reference.find_first_of("?#"), reference.size()));
    std::vector<std::string> parts;
    const std::size_t slash = base.rfind('/');
    std::string joined = (slash == std::string::npos ? std::string() : base.substr(0, slash + 1)) +
                         std::string(reference);
    for (std::size_t at = 0; at <= joined.size();) {
        const std::size_t end = std::min(joined.find('/', at), joined.size());
        const std::string part = joined.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string path;
    for (const std::string& part : parts) {
        path += (path.empty() ? "" : "/") + part;
    }
    return path;
}
