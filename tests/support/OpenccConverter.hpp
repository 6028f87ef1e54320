#pragma once

#include <memory>
#include <string>

#include "text/convert/TextConverter.hpp"

namespace opencc {
class SimpleConverter;
}

namespace testing_support {

// A converter that hands the text to libopencc with one of its configurations: the reference
// output of every phrase profile.
class OpenccConverter final : public text::TextConverter {
  public:
    // Loads the configuration file (a .json); throws std::runtime_error with a readable reason
    // when it is missing or damaged.
    explicit OpenccConverter(const std::string& configPath);
    ~OpenccConverter() override;

  private:
    void ConvertWellFormed(std::string_view utf8, std::string& out) const override;

    std::unique_ptr<const opencc::SimpleConverter> converter_;
};

}  // namespace testing_support
