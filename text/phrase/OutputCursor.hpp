#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace text {

// Appends to a string through a raw cursor, growing it by doubling, and trims it when done:
// cheaper than std::string::append for the few bytes of one character or phrase at a time.
class OutputCursor {
  public:
    // How many bytes AppendPadded reads, whatever the length.
    static constexpr std::size_t kPadding = 16;

    // Makes room for about expected more bytes at once.
    OutputCursor(std::string& out, std::size_t expected)
        : out_(out), start_(out.size()), size_(out.size()) {
        out_.resize(size_ + expected + kPadding);
    }
    OutputCursor(const OutputCursor&) = delete;
    OutputCursor& operator=(const OutputCursor&) = delete;
    ~OutputCursor() { out_.resize(size_); }

    void Append(const char* bytes, std::size_t length) {
        MakeRoom(length);
        std::memcpy(out_.data() + size_, bytes, length);
        size_ += length;
    }
    void Append(std::string_view bytes) { Append(bytes.data(), bytes.size()); }

    // The same, for bytes followed by enough readable bytes that kPadding of them can be read:
    // a short text then takes one fixed-size copy.
    void AppendPadded(const char* bytes, std::size_t length) {
        if (length > kPadding) {
            Append(bytes, length);
            return;
        }
        MakeRoom(kPadding);
        std::memcpy(out_.data() + size_, bytes, kPadding);
        size_ += length;
    }

    // Where the next byte goes, in the whole string.
    std::size_t Size() const { return size_; }
    // The bytes appended since the cursor's size was mark.
    std::string_view WrittenSince(std::size_t mark) const {
        return std::string_view(out_.data() + mark, size_ - mark);
    }

  private:
    void MakeRoom(std::size_t length) {
        if (size_ + length + kPadding > out_.size()) {
            Grow(length);
        }
    }
    // Doubles the room of this cursor's own output, not the whole string: a cursor that appends
    // a short stretch to a long text pays for its own bytes only.
    void Grow(std::size_t length) {
        out_.resize(size_ + std::max(out_.size() - start_, length) + kPadding);
    }

    std::string& out_;
    std::size_t start_;  // where this cursor's output begins
    std::size_t size_;
};

}  // namespace text
