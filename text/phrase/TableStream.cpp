#include "text/phrase/TableStream.hpp"

#include <array>
#include <bit>

namespace text {
namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

std::uint64_t Mix(std::uint64_t lane, std::uint64_t word) {
    return std::rotl(lane ^ (word * kPrime2), 31) * kPrime1;
}

std::uint64_t WordAt(const char* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

}  // namespace

std::uint64_t TableChecksum(std::string_view bytes) {
    std::array<std::uint64_t, 4> lanes{kPrime1, kPrime2, ~kPrime1, ~kPrime2};
    std::size_t at = 0;
    for (; at + 32 <= bytes.size(); at += 32) {
        for (std::size_t lane = 0; lane < lanes.size(); ++lane) {
            lanes[lane] = Mix(lanes[lane], WordAt(bytes.data() + at + 8 * lane));
        }
    }
    std::uint64_t sum = bytes.size() * kPrime1;
    for (const std::uint64_t lane : lanes) {
        sum = Mix(sum, lane);
    }
    for (; at < bytes.size(); ++at) {
        sum = Mix(sum, static_cast<unsigned char>(bytes[at]));
    }
    return sum ^ (sum >> 29);
}

}  // namespace text
