#pragma once

#include <optional>
#include <string>

// Names the job creates beside a book. Each is created atomically under the wanted name or, when
// something of that name exists already, under the first free "~1", "~2", ... variant, so the
// job never works on or deletes what it did not make.

// Creates a new folder; returns its path, or nullopt when no folder could be made.
std::optional<std::string> CreateFreshFolder(const std::string& wanted);

// Gives file a second name, a hard link (or a copy where links are refused) ending like wanted;
// returns that name, or nullopt when neither could be made.
std::optional<std::string> LinkUnderFreshName(const std::string& file, const std::string& wanted);

// Copies file to a new name ending like wanted; returns that name, or nullopt when no copy could
// be made.
std::optional<std::string> CopyUnderFreshName(const std::string& file, const std::string& wanted);

// The n-th variant of wanted: wanted itself for 0, else "~n" put before the extension of its last
// component (beforeExtension) or at its end.
std::string FreshCandidate(const std::string& wanted, int n, bool beforeExtension);
