// SPDX-License-Identifier: MIT
// A hash of a byte string for the library's open-addressing tables: eight
// bytes at a time, every byte counted, the bits spread at the end so that the
// low ones, which pick a slot, depend on all of them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace Tessel {

namespace byte_hash_detail {

inline std::uint64_t word(const char* p)
{
    std::uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

inline std::uint64_t mix(std::uint64_t hash, std::uint64_t value)
{
    hash = (hash ^ value) * 0x9E3779B97F4A7C15ull;
    return hash ^ (hash >> 32);
}

}  // namespace byte_hash_detail

// The last eight bytes of a string of eight or more are read as one word
// ending at its end; a shorter string is read without a copy.
inline std::uint64_t hashBytes(std::string_view bytes)
{
    using namespace byte_hash_detail;
    const std::size_t n = bytes.size();
    const char* p = bytes.data();
    std::uint64_t hash = n;
    if (n >= 8) {
        for (const char* const last = p + n - 8; p < last; p += 8)
            hash = mix(hash, word(p));
        hash = mix(hash, word(bytes.data() + n - 8));
    } else if (n >= 4) {
        // Two four-byte words that overlap cover every byte.
        std::uint32_t first;
        std::uint32_t last;
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + n - 4, 4);
        hash = mix(hash, first | std::uint64_t(last) << 32);
    } else if (n > 0) {
        const auto byte = [p](std::size_t i) { return std::uint64_t(static_cast<unsigned char>(p[i])); };
        hash = mix(hash, byte(0) | byte(n / 2) << 8 | byte(n - 1) << 16);
    }
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    return hash;
}

}  // namespace Tessel
