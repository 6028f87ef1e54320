#pragma once

#include <string>

// Adds the e-reader font locations to the stylesheet at path, in place. Returns 1 once the
// file was opened and read (changed or not), 0 when it cannot be opened or read.
int InjectFontStylesheet(const std::string& path);
