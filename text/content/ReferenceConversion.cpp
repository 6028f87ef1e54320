#include "text/content/ReferenceConversion.hpp"

#include "text/content/NameConversion.hpp"

namespace text {
namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsSchemeByte(char c) {
    return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// Appends each '/'-separated segment of path converted as a name.
void AppendConvertedPath(std::string_view path, NameEscapes escapes, const TextConverter& converter,
                         std::string& out) {
    while (true) {
        const std::size_t slash = path.find('/');
        AppendConvertedName(path.substr(0, slash), escapes, converter, out);
        if (slash == std::string_view::npos) {
            return;
        }
        out += '/';
        path.remove_prefix(slash + 1);
    }
}

// The offset of the '#' that starts the fragment, or npos; in markup the '#' of a character
// reference ("&#x540E;") does not.
std::size_t FragmentMark(std::string_view reference, NameEscapes escapes) {
    std::size_t hash = reference.find('#');
    while (escapes.characterReferences && hash != std::string_view::npos && hash > 0 &&
           reference[hash - 1] == '&') {
        hash = reference.find('#', hash + 1);
    }
    return hash;
}

}  // namespace

bool LeadsOutsideBook(std::string_view reference) {
    if (reference.starts_with("//")) {
        return true;
    }
    if (reference.empty() || !IsAsciiLetter(reference.front())) {
        return false;
    }
    for (char c : reference.substr(1)) {
        if (c == ':') {
            return true;
        }
        if (!IsSchemeByte(c)) {
            return false;
        }
    }
    return false;
}

bool MayConvertReference(std::string_view reference) {
    for (char c : reference) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == '%' || c == '&') {
            return true;
        }
    }
    return false;
}

std::string ConvertReference(std::string_view reference, ReferenceSyntax syntax,
                             const TextConverter& converter) {
    if (!MayConvertReference(reference) || LeadsOutsideBook(reference)) {
        return std::string(reference);
    }
    const NameEscapes escapes{true, syntax == ReferenceSyntax::Markup};
    std::string out;
    out.reserve(reference.size() + reference.size() / 4);
    const std::size_t hash = FragmentMark(reference, escapes);
    const std::string_view beforeFragment = reference.substr(0, hash);
    const std::size_t query = beforeFragment.find('?');
    AppendConvertedPath(beforeFragment.substr(0, query), escapes, converter, out);
    if (query != std::string_view::npos) {
        out += beforeFragment.substr(query);
    }
    if (hash != std::string_view::npos) {
        out += '#';
        AppendConvertedName(reference.substr(hash + 1), escapes, converter, out);
    }
    return out;
}

}  // namespace text
