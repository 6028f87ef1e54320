#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "text/phrase/PhraseConverter.hpp"

// The built tables of a phrase configuration kept in a file between processes, so that a process
// reads them in a few milliseconds instead of reading the dictionaries and building the tables.
// A file is used only when it was written by a build of the same table code and layout, for the
// same configuration path, with every file of the configuration's folder of the same name, size
// and modification time, and its checksum holds; any other file is ignored.
namespace text {

// The converter read from cachePath when it holds tables for configPath as it is now; null when
// the file is missing, stale or damaged.
std::unique_ptr<PhraseConverter> ReadTableCache(const std::string& cachePath,
                                                const std::string& configPath);

// Writes converter's tables for configPath to cachePath in one step (a fresh file beside it,
// renamed over it); returns 0, or the system's error number when it could not be written.
int WriteTableCache(const PhraseConverter& converter, const std::string& cachePath,
                    const std::string& configPath);

// The phrase converter of configPath: read from cacheName in cacheFolder when that holds its
// tables, else built through libopencc and written there (the folder made as needed). An empty
// cacheFolder means no cache. A cache that cannot be written is told to note (when given) and
// changes nothing else. Throws std::runtime_error as the PhraseConverter constructor does.
std::shared_ptr<const PhraseConverter> LoadPhraseConverter(
    const std::string& configPath, const std::string& cacheFolder, const std::string& cacheName,
    const std::function<void(std::string_view line)>& note = {});

}  // namespace text
