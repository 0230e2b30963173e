// SPDX-License-Identifier: MIT
// A small deterministic generator (splitmix64): the same seed gives the same
// corpus and the same benchmark inputs on every platform and library version,
// which std::uniform_*_distribution does not promise.
#pragma once

#include <cstdint>

namespace benchsupport {

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A value in [0, bound); bound must be positive.
    int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }

    // A value in [low, high].
    int between(int low, int high) { return low + below(high - low + 1); }

    // True with the given chance in percent.
    bool percent(int chance) { return below(100) < chance; }

private:
    std::uint64_t state_;
};

}  // namespace benchsupport
