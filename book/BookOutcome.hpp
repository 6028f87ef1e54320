#pragma once

#include <string>
#include <utility>

// How one book's job ended: converted, or not with the reason a user can read.
struct BookOutcome {
    bool converted = false;
    std::string reason;  // empty when converted

    static BookOutcome Converted() { return {true, ""}; }
    static BookOutcome NotConverted(std::string why) { return {false, std::move(why)}; }
};
