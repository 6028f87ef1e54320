#include "book/BookConverter.hpp"

#include <cstdio>

// Placeholder until the job lands.
int CBookConverter::ConvertBook(const std::string&, const std::string&, const std::string&,
                                std::stop_token) {
    return 0;
}
int CBookConverter::FileExists(const std::string&) { return 0; }
int CBookConverter::ReplaceExtension(std::string& out, const std::string& path,
                                     const std::string& tail) {
    out = path.substr(0, path.rfind('.')) + tail;
    return 1;
}
int CBookConverter::StripExtension(std::string&) { return 0; }
void CBookConverter::ShowError(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }
