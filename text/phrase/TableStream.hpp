#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// A flat binary form of built tables, for a cache that a later process reads instead of
// building them again. Plain values are written as their bytes, vectors and strings as a length
// and their bytes; the reader checks every length against what is left, so damaged bytes end
// in a TableStreamError, never in a read past the buffer or an allocation the bytes cannot fill.
namespace text {

class TableStreamError : public std::runtime_error {
  public:
    TableStreamError() : std::runtime_error("damaged tables") {}
};

class TableWriter {
  public:
    void Raw(const void* data, std::size_t count) {
        if (count > 0) {  // an empty vector's data may be null
            bytes_.append(static_cast<const char*>(data), count);
        }
    }
    template <typename T>
    void Value(const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        Raw(&value, sizeof value);
    }
    void Size(std::size_t size) { Value(static_cast<std::uint64_t>(size)); }
    void Text(std::string_view text) {
        Size(text.size());
        Raw(text.data(), text.size());
    }
    // The element's size goes first, so that a build whose layout differs reads no element.
    template <typename T>
    void Items(const std::vector<T>& items) {
        static_assert(std::is_trivially_copyable_v<T>);
        Value(static_cast<std::uint32_t>(sizeof(T)));
        Size(items.size());
        Raw(items.data(), items.size() * sizeof(T));
    }
    template <typename A, typename B>
    void Pairs(const std::vector<std::pair<A, B>>& items) {
        Size(items.size());
        for (const auto& [a, b] : items) {
            Value(a);
            Value(b);
        }
    }
    void Texts(const std::vector<std::string>& texts) {
        Size(texts.size());
        for (const std::string& text : texts) {
            Text(text);
        }
    }

    const std::string& Bytes() const { return bytes_; }
    std::string TakeBytes() { return std::move(bytes_); }

  private:
    std::string bytes_;
};

class TableReader {
  public:
    explicit TableReader(std::string_view bytes) : bytes_(bytes) {}

    // Throws TableStreamError unless condition holds: for the checks of what was read.
    static void Check(bool condition) {
        if (!condition) {
            throw TableStreamError();
        }
    }

    void Raw(void* data, std::size_t count) {
        Check(count <= Left());
        if (count > 0) {  // an empty vector's data may be null
            std::memcpy(data, bytes_.data() + at_, count);
            at_ += count;
        }
    }
    template <typename T>
    T Value() {
        static_assert(std::is_trivially_copyable_v<T> && !std::is_same_v<T, bool>);
        T value;
        Raw(&value, sizeof value);
        return value;
    }
    bool Flag() {
        const auto flag = Value<std::uint8_t>();
        Check(flag <= 1);
        return flag == 1;
    }
    // A count of items of at least itemBytes bytes each, which the bytes left can hold.
    std::size_t Size(std::size_t itemBytes) {
        const auto size = Value<std::uint64_t>();
        Check(size <= Left() / itemBytes);
        return static_cast<std::size_t>(size);
    }
    std::string Text() {
        std::string text(Size(1), '\0');
        Raw(text.data(), text.size());
        return text;
    }
    template <typename T>
    std::vector<T> Items() {
        static_assert(std::is_trivially_copyable_v<T>);
        Check(Value<std::uint32_t>() == sizeof(T));
        std::vector<T> items(Size(sizeof(T)));
        Raw(items.data(), items.size() * sizeof(T));
        return items;
    }
    template <typename A, typename B>
    std::vector<std::pair<A, B>> Pairs() {
        std::vector<std::pair<A, B>> items(Size(sizeof(A) + sizeof(B)));
        for (auto& [a, b] : items) {
            a = Value<A>();
            b = Value<B>();
        }
        return items;
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts(Size(sizeof(std::uint64_t)));
        for (std::string& text : texts) {
            text = Text();
        }
        return texts;
    }

    std::size_t Left() const { return bytes_.size() - at_; }

    // True when pairs read back are in the order the lookups by their first member need.
    template <typename Pairs>
    static bool SortedByFirst(const Pairs& pairs) {
        return std::is_sorted(pairs.begin(), pairs.end(),
                              [](const auto& a, const auto& b) { return a.first < b.first; });
    }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// A 64-bit checksum of bytes, eight at a time in four lanes: cheap next to reading them, and
// any one changed byte changes it.
std::uint64_t TableChecksum(std::string_view bytes);

}  // namespace text
