#include "text/FontInjection.hpp"

// Placeholder until the injection lands.
int InjectFontStylesheet(const std::string&) { return 0; }
