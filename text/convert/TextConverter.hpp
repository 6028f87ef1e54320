#pragma once

#include <string>
#include <string_view>

#include "text/convert/UncertainPlaces.hpp"

namespace text {

// Converts text from one script to another, UTF-8 in and UTF-8 out; the output may be longer or
// shorter. Implementations are immutable once built, so one object may serve several threads.
class TextConverter {
  public:
    virtual ~TextConverter() = default;

    // Appends the converted form of bytes to out. Bytes that are not well-formed UTF-8, and zero
    // bytes, pass through unchanged; each well-formed stretch between them is converted on its
    // own. Throws std::bad_alloc when memory runs out, nothing else.
    void Convert(std::string_view bytes, std::string& out) const;

    // The converted form of bytes, as above.
    std::string Convert(std::string_view bytes) const;

    // As above, and notes in places (when not null) every uncertain choice the conversion took.
    // Without places the conversion runs exactly as it would without this overload.
    void Convert(std::string_view bytes, std::string& out, UncertainPlaces* places) const;

  protected:
    // Lets a converter that wraps another hand it a stretch already known to be well-formed,
    // without checking it again.
    static void ConvertWellFormedBy(const TextConverter& converter, std::string_view utf8,
                                    std::string& out) {
        converter.ConvertWellFormed(utf8, out);
    }
    static void ConvertWellFormedBy(const TextConverter& converter, std::string_view utf8,
                                    std::string& out, UncertainPlaces& places) {
        converter.ConvertWellFormedNoting(utf8, out, places);
    }

  private:
    // Appends the converted form of a non-empty stretch of well-formed UTF-8 without zero bytes.
    virtual void ConvertWellFormed(std::string_view utf8, std::string& out) const = 0;
    // The same, noting uncertain choices and counting changed characters in places; a converter
    // that knows of no choices converts and counts by comparing.
    virtual void ConvertWellFormedNoting(std::string_view utf8, std::string& out,
                                         UncertainPlaces& places) const {
        const std::size_t start = out.size();
        ConvertWellFormed(utf8, out);
        places.Changed(ChangedCharacters(utf8, std::string_view(out).substr(start)));
    }
};

}  // namespace text
