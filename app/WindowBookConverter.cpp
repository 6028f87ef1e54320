#include "app/WindowBookConverter.hpp"

void CWindowBookConverter::ShowError(const std::string& text) {
    Handler(text);
}
