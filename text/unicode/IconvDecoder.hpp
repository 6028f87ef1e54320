#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace text {

// A conversion from one encoding to UTF-8 by the C library's iconv, closed when it goes.
class IconvDecoder {
  public:
    // encoding: an iconv name, "GB18030" or "UTF-16LE".
    explicit IconvDecoder(const char* encoding);
    ~IconvDecoder();
    IconvDecoder(const IconvDecoder&) = delete;
    IconvDecoder& operator=(const IconvDecoder&) = delete;

    // False when the system has no converter from the encoding.
    bool Opened() const { return Handle != kClosed; }

    // The UTF-8 form of bytes, or nullopt when they are not well formed in the encoding (or it
    // did not open). Throws std::bad_alloc when memory runs out.
    std::optional<std::string> Decode(std::string_view bytes);

  private:
    static inline const iconv_t kClosed = reinterpret_cast<iconv_t>(-1);
    iconv_t Handle;
};

}  // namespace text
