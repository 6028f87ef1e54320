#include "tests/support/OpenccConverter.hpp"

#include <opencc/Exception.hpp>
#include <opencc/SimpleConverter.hpp>

#include <stdexcept>

namespace testing_support {

OpenccConverter::OpenccConverter(const std::string& configPath) {
    try {
        converter_ = std::make_unique<const opencc::SimpleConverter>(configPath);
    } catch (const opencc::Exception& error) {
        // OpenCC's own exceptions do not derive from std::exception.
        throw std::runtime_error("OpenCC configuration " + configPath + ": " + error.what());
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        // The trie library below OpenCC throws its own types for a damaged file.
        throw std::runtime_error("OpenCC configuration " + configPath + ": " + error.what());
    }
}

OpenccConverter::~OpenccConverter() = default;

void OpenccConverter::ConvertWellFormed(std::string_view utf8, std::string& out) const {
    out += converter_->Convert(utf8.data(), utf8.size());
}

}  // namespace testing_support
