// SPDX-License-Identifier: MIT
// Image keys remembered across messages. Chat messages show the same few
// emoticons again and again; looking a short source up costs a fraction of
// digesting it.
#pragma once

#include <string>
#include <string_view>

namespace Tessel {

// An image key held by value: 32 hex digits, no allocation.
struct ImageKey {
    char digits[32];
    std::string str() const { return std::string(digits, sizeof digits); }
};

// imageKey(source), taken from a table of recent short sources when it is
// there. Safe to call from several threads: a thread that finds the table in
// use digests the source itself.
ImageKey cachedImageKey(std::string_view source);

}  // namespace Tessel
