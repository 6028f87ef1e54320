#include "text/OpenccConverter.hpp"

#include <opencc/SimpleConverter.hpp>

#include <stdexcept>

namespace text {

OpenccConverter::OpenccConverter(const std::string& configPath) {
    try {
        converter_ = std::make_unique<const opencc::SimpleConverter>(configPath);
    } catch (const std::exception& error) {
        // OpenCC's own exceptions and the trie library's below it all derive from this.
        throw std::runtime_error("OpenCC configuration " + configPath + ": " + error.what());
    }
}

OpenccConverter::~OpenccConverter() = default;

void OpenccConverter::ConvertWellFormed(std::string_view utf8, std::string& out) const {
    out += converter_->Convert(utf8.data(), utf8.size());
}

}  // namespace text
