#include "text/unicode/IconvDecoder.hpp"

#include <cerrno>

namespace text {

IconvDecoder::IconvDecoder(const char* encoding) : Handle(::iconv_open("UTF-8", encoding)) {}

IconvDecoder::~IconvDecoder() {
    if (Opened()) {
        ::iconv_close(Handle);
    }
}

std::optional<std::string> IconvDecoder::Decode(std::string_view bytes) {
    if (!Opened()) {
        return std::nullopt;
    }
    ::iconv(Handle, nullptr, nullptr, nullptr, nullptr);
    // Two bytes of GB18030 or UTF-16 become at most three of UTF-8: one allocation in general.
    std::string out(bytes.size() + bytes.size() / 2 + 16, '\0');
    // iconv takes a non-const input pointer but never writes through it.
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t used = 0;
    while (inLeft > 0) {
        char* next = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t result = ::iconv(Handle, &in, &inLeft, &next, &outLeft);
        const int error = errno;
        used = static_cast<std::size_t>(next - out.data());
        if (result != static_cast<std::size_t>(-1)) {
            break;
        }
        if (error != E2BIG) {
            return std::nullopt;  // EILSEQ: not the encoding; EINVAL: cut in a character
        }
        out.resize(out.size() * 2);
    }
    out.resize(used);
    return out;
}

}  // namespace text
