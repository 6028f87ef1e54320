#pragma once

#include <functional>
#include <optional>
#include <string>

// Names the job gives beside a book. Each entry is made under a name of the job's own and then
// moved, never replacing anything, to the wanted name or, when something of that name exists
// already, to the first free "~1", "~2", ... variant, so the job never works on or deletes what
// it did not make.

// How many names a job tries for one entry: wanted, then "~1" up to "~99".
constexpr int kMostVariants = 100;

// Moves the entry at temporary to wanted or its first free variant (before the extension of the
// last component when beforeExtension); announce(candidate) runs before each try and may refuse
// it. Returns the name it got, or nullopt (errno tells why).
std::optional<std::string> MoveUnderFreshName(
    const std::string& temporary, const std::string& wanted, bool beforeExtension,
    const std::function<bool(const std::string&)>& announce);

// The n-th variant of wanted: wanted itself for 0, else "~n" put before the extension of its last
// component (beforeExtension) or at its end.
std::string FreshCandidate(const std::string& wanted, int n, bool beforeExtension);
