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
    // Makes room for about expected more bytes at once.
    OutputCursor(std::string& out, std::size_t expected) : out_(out), size_(out.size()) {
        out_.resize(size_ + expected + kSlack);
    }
    OutputCursor(const OutputCursor&) = delete;
    OutputCursor& operator=(const OutputCursor&) = delete;
    ~OutputCursor() { out_.resize(size_); }

    void Append(const char* bytes, std::size_t length) {
        if (size_ + length + kSlack > out_.size()) {
            out_.resize(std::max(2 * out_.size(), size_ + length + kSlack));
        }
        char* to = out_.data() + size_;
        // One character: fixed-size copies that compile to moves.
        switch (length) {
            case 1:
                *to = *bytes;
                break;
            case 2:
                std::memcpy(to, bytes, 2);
                break;
            case 3:
                std::memcpy(to, bytes, 2);
                to[2] = bytes[2];
                break;
            case 4:
                std::memcpy(to, bytes, 4);
                break;
            default:
                std::memcpy(to, bytes, length);
                break;
        }
        size_ += length;
    }
    void Append(std::string_view bytes) { Append(bytes.data(), bytes.size()); }

  private:
    static constexpr std::size_t kSlack = 16;
    std::string& out_;
    std::size_t size_;
};

}  // namespace text
