#pragma once

#include "text/convert/ScriptMapping.hpp"
#include "text/convert/TextConverter.hpp"

namespace text {

// The one-to-one character table as a text converter: each character is replaced by its mapped
// form, so the text keeps its length in characters.
class CharacterTableConverter final : public TextConverter {
  public:
    // mapping must outlive the converter.
    explicit CharacterTableConverter(const ScriptMapping& mapping) : mapping_(mapping) {}

  private:
    void ConvertWellFormed(std::string_view utf8, std::string& out) const override;

    const ScriptMapping& mapping_;
};

}  // namespace text
