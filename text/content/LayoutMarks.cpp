#include "text/content/LayoutMarks.hpp"

#include "text/unicode/AsciiCase.hpp"

namespace text {
namespace {

std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The prefix with its colon: "opf:" for "opf:metadata", "" for "metadata".
std::string_view PrefixOf(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon + 1);
}

bool Is(std::string_view name, std::string_view local) {
    return SameIgnoringAsciiCase(LocalName(name), local);
}

}  // namespace

LayoutMarks::LayoutMarks(TextRewriter& rewriter, PageLayout layout)
    : rewriter_(rewriter), layout_(layout), text_(rewriter.Content()) {
    const std::string mode = layout == PageLayout::Vertical ? "vertical-rl" : "horizontal-tb";
    for (std::string_view property :
         {"-epub-writing-mode", "-webkit-writing-mode", "writing-mode"}) {
        declarations_ +=
            (declarations_.empty() ? "" : ";") + std::string(property) + ":" + mode + "!important";
    }
}

void LayoutMarks::StartTag(std::string_view name, std::size_t tagBegin) {
    tagBegin_ = tagBegin;
    html_ = html_ || Is(name, "html");
    tag_ = Is(name, "body") && html_ ? Tag::Body
           : Is(name, "package")     ? Tag::Package
           : Is(name, "spine")       ? Tag::Spine
           : Is(name, "meta")        ? Tag::Meta
                                     : Tag::Other;
    styleEnd_ = directionBegin_ = directionEnd_ = contentBegin_ = contentEnd_ = 0;
    writingModeMeta_ = false;
}

void LayoutMarks::Attribute(std::string_view name, std::size_t valueBegin, std::size_t valueEnd) {
    const std::string_view value = text_.substr(valueBegin, valueEnd - valueBegin);
    if (tag_ == Tag::Body && Is(name, "style")) {
        styleEnd_ = valueEnd;
    } else if (tag_ == Tag::Package && Is(name, "version")) {
        package_ = true;
        epub3_ = value.starts_with('3');
    } else if (tag_ == Tag::Spine && Is(name, "page-progression-direction")) {
        directionBegin_ = valueBegin;
        directionEnd_ = valueEnd;
    } else if (tag_ == Tag::Meta && Is(name, "name")) {
        writingModeMeta_ = value == "primary-writing-mode";
    } else if (tag_ == Tag::Meta && Is(name, "content")) {
        contentBegin_ = valueBegin;
        contentEnd_ = valueEnd;
    }
}

void LayoutMarks::StartTagEnd(std::size_t closeAt, std::size_t tagEnd, bool selfClosing) {
    const bool vertical = layout_ == PageLayout::Vertical;
    if (tag_ == Tag::Body) {
        if (styleEnd_ != 0) {
            rewriter_.Replace(styleEnd_, styleEnd_, ";" + declarations_);
        } else {
            rewriter_.Replace(closeAt, closeAt, " style=\"" + declarations_ + "\"");
        }
    } else if (tag_ == Tag::Spine && epub3_) {
        const std::string_view direction = vertical ? "rtl" : "ltr";
        if (directionEnd_ != 0) {
            rewriter_.Replace(directionBegin_, directionEnd_, direction);
        } else {
            rewriter_.Replace(closeAt, closeAt,
                              " page-progression-direction=\"" + std::string(direction) + "\"");
        }
    } else if (tag_ == Tag::Meta && writingModeMeta_ && package_) {
        metaSeen_ = true;
        if (vertical && contentEnd_ != 0) {
            rewriter_.Replace(contentBegin_, contentEnd_, "vertical-rl");
        } else if (!vertical && selfClosing) {
            rewriter_.Replace(tagBegin_, tagEnd, "");
        } else if (!vertical) {
            metaRemovalBegin_ = tagBegin_;  // removed with its end tag
        }
    }
    tag_ = Tag::Other;
}

void LayoutMarks::EndTag(std::string_view name, std::size_t tagBegin, std::size_t tagEnd) {
    const bool vertical = layout_ == PageLayout::Vertical;
    if (Is(name, "head") && html_) {
        rewriter_.Replace(tagBegin, tagBegin,
                          "<style type=\"text/css\">html,body{" + declarations_ + "}</style>");
    } else if (Is(name, "meta") && metaRemovalBegin_ != std::string_view::npos) {
        rewriter_.Replace(metaRemovalBegin_, tagEnd, "");
        metaRemovalBegin_ = std::string_view::npos;
    } else if (Is(name, "metadata") && vertical && package_ && !metaSeen_) {
        const std::string prefix(PrefixOf(name));
        rewriter_.Replace(
            tagBegin, tagBegin,
            "<" + prefix + "meta name=\"primary-writing-mode\" content=\"vertical-rl\"/>");
    }
}

}  // namespace text
