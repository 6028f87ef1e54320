#include "text/convert/Diagnostics.hpp"

#include <cstdarg>
#include <cstdio>

namespace text {

void PrintDiagnostic(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::fflush(stdout);
}

}  // namespace text
