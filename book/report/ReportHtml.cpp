#include "book/report/ReportHtml.hpp"

#include <cstdio>

#include "text/unicode/Utf8Codec.hpp"

namespace {

constexpr std::string_view kStyle =
    "body{font-family:sans-serif;margin:2em;line-height:1.5}"
    "table{border-collapse:collapse;margin:1em 0}"
    "th,td{border:1px solid #bbb;padding:.3em .6em;vertical-align:top;text-align:left}"
    "mark{background:#ffe08a}code{white-space:pre;background:#f2f2f2;padding:0 .3em}"
    ".file{color:#666;font-size:90%}";

std::string Number(double value, const char* format) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string Hex(char32_t character) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(character));
    return buffer;
}

std::string Place(const ReportPlace& place) {
    return "<div><span class=\"file\">" + EscapedHtml(place.file) + "</span> " +
           EscapedHtml(place.before) + "<mark>" + EscapedHtml(place.text) + "</mark>" +
           EscapedHtml(place.after) + "</div>";
}

void AddSummary(const ReportSummary& summary, const BookReport& report, std::string& html) {
    std::string options;
    for (const std::string& option : summary.options) {
        options += (options.empty() ? "" : "、") + option;
    }
    const std::pair<const char*, std::string> rows[] = {
        {"轉換方式", summary.profile},
        {"選項", options.empty() ? "無" : options},
        {"轉換的文字檔", std::to_string(report.FilesConverted())},
        {"改變的字元", std::to_string(report.CharactersChanged())},
        {"不確定的轉換", std::to_string(report.UncertainCount())},
        {"字型缺少的字形", std::to_string(report.MissingGlyphCount())},
        {"用時", Number(summary.seconds, "%.2f") + " 秒"},
    };
    html += "<section id=\"summary\"><h2>摘要</h2><table>";
    for (const auto& [name, value] : rows) {
        html += "<tr><th>" + std::string(name) + "</th><td>" + EscapedHtml(value) + "</td></tr>";
    }
    html += "</table></section>\n";
}

void AddUncertain(const BookReport& report, std::string& html) {
    html +=
        "<section id=\"uncertain\"><h2>不確定的轉換</h2>"
        "<p>詞典為這些字詞給出不止一種寫法，且沒有更長的詞語決定，轉換採用了第一種。"
        "要改用另一種，把該行加入自訂詞語檔（它會作用於所有相同的原文；"
        "可連同前後的字一起寫成更長的詞語）。</p>";
    if (report.Uncertain().empty()) {
        html += "<p>沒有。</p></section>\n";
        return;
    }
    html +=
        "<table><tr><th>原文</th><th>採用</th><th>其他寫法與詞語檔的行</th><th>次數</th>"
        "<th>位置</th></tr>";
    for (const UncertainGroup& group : report.Uncertain()) {
        const text::UncertainChoice& choice = *group.choice;
        html += "<tr><td>" + EscapedHtml(choice.source) + "</td><td>" + EscapedHtml(choice.chosen) +
                "</td><td>";
        for (const std::string& alternative : choice.alternatives) {
            html += "<div>" + EscapedHtml(alternative) + " <code>" + EscapedHtml(choice.source) +
                    "\t" + EscapedHtml(alternative) + "</code></div>";
        }
        html += "</td><td>" + std::to_string(group.count) + "</td><td>";
        for (const ReportPlace& place : group.places) {
            html += Place(place);
        }
        html += "</td></tr>";
    }
    html += "</table></section>\n";
}

std::string CodepointText(char32_t character) {
    std::string text;
    text::AppendUtf8(character, text);
    return text;
}

void AddFont(const FontFinding& font, std::string& html) {
    std::string families;
    for (const std::string& family : font.families) {
        families += (families.empty() ? "" : "、") + family;
    }
    html += "<h3>" + EscapedHtml(font.path) + "</h3><p>字型家族：" + EscapedHtml(families) +
            "；以它排印的不同字元：" + std::to_string(font.characters) + "</p>";
    if (!font.problem.empty()) {
        html += "<p>" + EscapedHtml(font.problem) + "</p>";
        return;
    }
    if (font.missing.empty()) {
        html += "<p>不缺字。</p>";
        return;
    }
    html += "<table><tr><th>字</th><th>碼位</th><th>次數</th><th>一處</th></tr>";
    for (const MissingGlyph& missing : font.missing) {
        const std::string character = CodepointText(missing.character);
        html += "<tr><td>" + EscapedHtml(character) + "</td><td>U+" + Hex(missing.character) +
                "</td><td>" + std::to_string(missing.count) + "</td><td>" +
                Place({missing.file, missing.before, character, missing.after}) + "</td></tr>";
    }
    html += "</table>";
}

void AddGlyphs(const BookReport& report, std::string& html) {
    html +=
        "<section id=\"glyphs\"><h2>字型缺少的字形</h2>"
        "<p>判斷方法：每個文字元素的字型取自它的 style 屬性的 font-family，否則取自書中"
        "樣式表與 &lt;style&gt; 中選擇器末段（元素、類別、id；含屬性或偽類的不採用）與它"
        "相符且最具體的規則，否則沿用上層元素的；每份文件只採用它以 &lt;link&gt; 連結的"
        "樣式表（不含其中的 @import）和它自己的 &lt;style&gt;；"
        "font-family 取第一個由 @font-face 宣告的家族（在它之前若有通用家族則不算），"
        "只計該字型 unicode-range 內、ASCII 以外的字元。字型的字元表以 FreeType 讀取。</p>";
    if (report.Fonts().empty()) {
        html += "<p>書中沒有以 @font-face 宣告的字型。</p>";
    }
    for (const FontFinding& font : report.Fonts()) {
        AddFont(font, html);
    }
    html += "</section>\n";
}

}  // namespace

std::string EscapedHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::size_t length = text::WellFormedCharacterLength(bytes + at, text.size() - at);
        if (length == 0) {
            out += "\xEF\xBF\xBD";  // a byte of another encoding: the page stays UTF-8
            continue;
        }
        if (length > 1) {
            out.append(text.substr(at, length));
            at += length - 1;
            continue;
        }
        const char c = text[at];
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string ReportHtml(const ReportSummary& summary, const BookReport& report) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"zh-Hant\"><head><meta charset=\"utf-8\">"
        "<title>校對報告：" +
        EscapedHtml(summary.book) + "</title><style>" + std::string(kStyle) +
        "</style></head><body>\n<h1>校對報告：" + EscapedHtml(summary.book) + "</h1>\n";
    AddSummary(summary, report, html);
    AddUncertain(report, html);
    AddGlyphs(report, html);
    html += "</body></html>\n";
    return html;
}
