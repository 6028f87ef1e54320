#pragma once

#include <memory>
#include <string>
#include <string_view>

// A font's character map read by FreeType: TrueType, OpenType, WOFF, and WOFF2 where the
// library was built to read it.
class FontCoverage {
  public:
    explicit FontCoverage(std::string_view bytes);
    ~FontCoverage();
    FontCoverage(const FontCoverage&) = delete;
    FontCoverage& operator=(const FontCoverage&) = delete;

    // Empty when the font was read; else why not.
    const std::string& Problem() const { return problem_; }
    // True when the character map gives the character a glyph.
    bool Has(char32_t character) const;

  private:
    struct Face;
    std::string bytes_;  // FreeType reads the font in place for the face's life
    std::unique_ptr<Face> face_;
    std::string problem_;
};
