#include "text/content/TextRewriter.hpp"

#include <algorithm>

#include "text/content/NameConversion.hpp"

namespace text {
namespace {

constexpr std::size_t kFewSpans = 32;

}  // namespace

// ASCII converts to itself and no dictionary entry spans the ASCII delimiters around a span,
// so a span of ASCII alone needs no cut in the stretch: the stretches stay as long as they can.

void TextRewriter::Replace(std::size_t begin, std::size_t end, std::string_view replacement) {
    if (holding_) {
        held_.push_back({begin, end, std::string(replacement)});
        return;
    }
    if (end < begin || end > content_.size() || !ConvertUpTo(begin)) {
        return;
    }
    out_ += replacement;
    if (places_ != nullptr) {
        places_->Changed(ChangedCharacters(content_.substr(begin, end - begin), replacement));
    }
    written_ = end;
}

void TextRewriter::Keep(std::size_t begin, std::size_t end) {
    if (HasNonAscii(begin, end)) {
        Replace(begin, end, content_.substr(begin, end - begin));
    }
}

void TextRewriter::ConvertAsName(std::size_t begin, std::size_t end) {
    if (end <= begin || end > content_.size()) {
        return;
    }
    const std::string_view name = content_.substr(begin, end - begin);
    const bool markup = syntax_ == ReferenceSyntax::Markup;
    if (HasNonAscii(begin, end) || (markup && name.find("&#") != std::string_view::npos)) {
        std::string converted;
        AppendConvertedName(name, {false, markup}, converter_, converted);
        Replace(begin, end, converted);
    }
}

void TextRewriter::ConvertAsReference(std::size_t begin, std::size_t end) {
    if (end <= begin || end > content_.size()) {
        return;
    }
    const std::string_view reference = content_.substr(begin, end - begin);
    if (MayConvertReference(reference)) {
        Replace(begin, end, ConvertReference(reference, syntax_, converter_));
    }
}

void TextRewriter::Release() {
    holding_ = false;
    // A paragraph's few spans are nearly in order: an insertion sort, stable and without a
    // buffer, unless there are many.
    const auto byBegin = [](const HeldSpan& a, const HeldSpan& b) { return a.begin < b.begin; };
    if (held_.size() > kFewSpans) {
        std::stable_sort(held_.begin(), held_.end(), byBegin);
    }
    for (auto next = held_.begin(); next != held_.end(); ++next) {
        std::rotate(std::upper_bound(held_.begin(), next, *next, byBegin), next, next + 1);
    }
    for (const HeldSpan& span : held_) {
        Replace(span.begin, span.end, span.replacement);
    }
    held_.clear();
}

void TextRewriter::Finish() {
    Release();
    ConvertUpTo(content_.size());
}

bool TextRewriter::ConvertUpTo(std::size_t begin) {
    if (begin < written_) {
        return false;
    }
    converter_.Convert(content_.substr(written_, begin - written_), out_, places_);
    written_ = begin;
    return true;
}

bool TextRewriter::HasNonAscii(std::size_t begin, std::size_t end) const {
    if (end <= begin || end > content_.size()) {
        return false;
    }
    for (std::size_t i = begin; i < end; ++i) {
        if (static_cast<unsigned char>(content_[i]) >= 0x80) {
            return true;
        }
    }
    return false;
}

}  // namespace text
