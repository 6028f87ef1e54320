#include "bench/text/SampleText.hpp"

namespace bench_text {
namespace {

constexpr const char* kHead =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head><title>第一章</title></head>\n<body>\n";
constexpr const char* kTail = "</body>\n</html>\n";

std::string Chapter(const char* paragraph, std::size_t size) {
    std::string text = kHead;
    while (text.size() < size) {
        text += paragraph;
    }
    text += kTail;
    return text;
}

}  // namespace

std::string ChineseXhtml(std::size_t size) {
    return Chapter(
        "<p>这是一个用简体中文写的段落，我们用它来测试转换的速度。书里有很多常用汉字，"
        "例如发展、头发、国家、学习、经济、历史、电脑、网络、时间、问题、关系、"
        "开始、应该、让我们、这样、认为、进行、东西、车辆、飞机、门口、鸟儿。"
        "他说：“为了实现这个目标，我们必须继续努力，团结一致，共同前进。”</p>\n",
        size);
}

std::string AsciiHeavyMarkup(std::size_t size) {
    return Chapter(
        "<div class=\"calibre1\" id=\"section-0001\"><p class=\"indent\"><span "
        "class=\"bold\">Chapter notes</span> The quick brown fox jumps over the lazy dog, "
        "<a href=\"chapter02.xhtml#note-17\" class=\"noteref\">[17]</a> 中文</p></div>\n",
        size);
}

}  // namespace bench_text
