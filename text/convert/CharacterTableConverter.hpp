#pragma once

#include <utility>
#include <vector>

#include "text/convert/ScriptMapping.hpp"
#include "text/convert/TextConverter.hpp"

namespace text {

// The one-to-one character table as a text converter: each character is replaced by its mapped
// form, so the text keeps its length in characters.
class CharacterTableConverter final : public TextConverter {
  public:
    // mapping must outlive the converter.
    explicit CharacterTableConverter(const ScriptMapping& mapping);

  private:
    void ConvertWellFormed(std::string_view utf8, std::string& out) const override;
    void ConvertWellFormedNoting(std::string_view utf8, std::string& out,
                                 UncertainPlaces& places) const override;

    const ScriptMapping& mapping_;
    // The mapping's uncertain characters: a bit per BMP unit, then the choices by unit.
    std::vector<bool> uncertain_;
    std::vector<std::pair<char16_t, const UncertainChoice*>> choices_;
};

}  // namespace text
