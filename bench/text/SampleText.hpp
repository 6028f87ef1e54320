#pragma once

#include <cstddef>
#include <string>

// Generated book text for the benchmarks, the same on every run.
namespace bench_text {

// An XHTML chapter of Simplified Chinese paragraphs, about size bytes long.
std::string ChineseXhtml(std::size_t size);

// XHTML that is mostly tags, attributes and Latin text, with a Chinese word now and then.
std::string AsciiHeavyMarkup(std::size_t size);

}  // namespace bench_text
