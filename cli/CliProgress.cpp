#include "cli/CliProgress.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace {

constexpr std::size_t kDefaultColumns = 80;

std::size_t TerminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return kDefaultColumns;
}

// The code point starting at text[at] and its length in bytes (a stray byte counts as one).
std::pair<char32_t, std::size_t> CodePointAt(const std::string& text, std::size_t at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t length = byte < 0xC0 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    if (length == 1 || at + length > text.size()) {
        return {byte, 1};
    }
    char32_t point = byte & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        point = (point << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3F);
    }
    return {point, length};
}

// Hangul, CJK, Hiragana, Katakana, full-width forms and the supplementary ideographs.
bool IsWide(char32_t point) {
    return (point >= 0x1100 && point <= 0x115F) || (point >= 0x2E80 && point <= 0xA4CF) ||
           (point >= 0xAC00 && point <= 0xD7A3) || (point >= 0xF900 && point <= 0xFAFF) ||
           (point >= 0xFE30 && point <= 0xFE4F) || (point >= 0xFF00 && point <= 0xFF60) ||
           (point >= 0xFFE0 && point <= 0xFFE6) || (point >= 0x20000 && point <= 0x3FFFD);
}

}  // namespace

std::size_t TerminalWidthOf(const std::string& utf8) {
    std::size_t columns = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto [point, length] = CodePointAt(utf8, at);
        columns += IsWide(point) ? 2 : 1;
        at += length;
    }
    return columns;
}

std::string CutToColumns(const std::string& utf8, std::size_t columns) {
    std::size_t used = 0;
    std::size_t at = 0;
    while (at < utf8.size()) {
        const auto [point, length] = CodePointAt(utf8, at);
        const std::size_t width = IsWide(point) ? 2 : 1;
        if (used + width > columns) {
            break;
        }
        used += width;
        at += length;
    }
    return utf8.substr(0, at);
}

CCliProgress::CCliProgress(std::size_t books, bool shown) : Books(books), Shown(shown) {
    if (Shown) {
        Ticker = std::jthread([this](std::stop_token stop) { Tick(stop); });
    }
}

CCliProgress::~CCliProgress() {
    if (Ticker.joinable()) {
        Ticker.request_stop();
        Ticker.join();
    }
    const std::lock_guard lock(Mutex);
    Clear();
}

void CCliProgress::Started(std::size_t book, const std::string& path) {
    const std::lock_guard lock(Mutex);
    Running[book] = std::filesystem::path(path).filename().string();
    Draw();
}

void CCliProgress::Finished(std::size_t book) {
    const std::lock_guard lock(Mutex);
    Running.erase(book);
    ++Ended;
    Draw();
}

void CCliProgress::Around(const std::function<void()>& write) {
    const std::lock_guard lock(Mutex);
    Clear();
    write();
    Draw();
}

std::chrono::steady_clock::duration CCliProgress::Elapsed() const {
    return std::chrono::steady_clock::now() - Begin;
}

void CCliProgress::Draw() {
    if (!Shown) {
        return;
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(Elapsed()).count();
    // Appended piece by piece: GCC 12 at -O3 warns falsely about "literal" + string.
    std::string text;
    text.append("[").append(std::to_string(Ended)).append("/").append(std::to_string(Books));
    text.append("] ").append(std::to_string(seconds)).append(" 秒");
    const char* separator = "  ";
    for (const auto& [book, name] : Running) {
        text.append(separator).append(name);
        separator = ", ";
    }
    // One column short of the width: a full line would wrap on some terminals.
    std::string line("\r");
    line.append(CutToColumns(text, TerminalColumns() - 1)).append("\033[K");
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

void CCliProgress::Clear() {
    if (Shown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

void CCliProgress::Tick(std::stop_token stop) {
    std::unique_lock lock(Mutex);
    while (!Clock.wait_for(lock, stop, std::chrono::seconds(1), [] { return false; }) &&
           !stop.stop_requested()) {
        Draw();
    }
}
