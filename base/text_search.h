// SPDX-License-Identifier: MIT
// Searches for short fixed markers in message text.
#pragma once

#include <cstring>
#include <string_view>

namespace Tessel {

// Whether s begins with prefix. Inline, so that the prefix length of a
// literal is known at compile time.
inline bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && std::memcmp(s.data(), prefix.data(), prefix.size()) == 0;
}

// Whether s ends with suffix; inline, as startsWith.
inline bool endsWith(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() &&
           std::memcmp(s.data() + s.size() - suffix.size(), suffix.data(), suffix.size()) == 0;
}

// The first needle in hay at or after from, or npos. memchr looks for the
// needle's byte at pivot, chosen by the caller as its rarest: "<body" is
// found through its 'y', not through every '<' of the head before it.
inline std::size_t findText(std::string_view hay, std::string_view needle, std::size_t pivot,
                            std::size_t from = 0)
{
    const std::size_t n = needle.size();
    if (from > hay.size() || hay.size() - from < n)
        return std::string_view::npos;
    const char* const base = hay.data();
    // Candidates for the pivot byte lie in [pivot + from, size - n + pivot].
    const char* p = base + from + pivot;
    const char* const last = base + hay.size() - n + pivot;
    while (p <= last) {
        p = static_cast<const char*>(std::memchr(p, needle[pivot], static_cast<std::size_t>(last - p) + 1));
        if (!p)
            break;
        const char* start = p - pivot;
        if (std::memcmp(start, needle.data(), n) == 0)
            return static_cast<std::size_t>(start - base);
        ++p;
    }
    return std::string_view::npos;
}

// The last needle in hay, or npos; scans backwards, for markers that sit
// near the end such as "</body>".
inline std::size_t findLastText(std::string_view hay, std::string_view needle)
{
    const std::size_t n = needle.size();
    if (n == 0 || hay.size() < n)
        return n == 0 ? hay.size() : std::string_view::npos;
    const char lastByte = needle[n - 1];
    for (std::size_t end = hay.size(); end >= n; --end) {
        if (hay[end - 1] == lastByte && std::memcmp(hay.data() + end - n, needle.data(), n) == 0)
            return end - n;
    }
    return std::string_view::npos;
}

}  // namespace Tessel
