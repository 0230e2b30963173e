// SPDX-License-Identifier: MIT
// One pass over a message for the bytes that decide how it is converted:
// the first angle bracket (markup, or the tail of a tag cut off at the start)
// and the first '&' (a character reference). A message with neither is its
// own text.
#pragma once

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Tessel {

struct MessageScan {
    const char* angle;      // the first '<' or '>', or null
    const char* ampersand;  // when angle is null: the first '&', or null
};

#if defined(__SSE2__)
namespace scan_detail {

// Bit i stands for byte i of the block.
inline unsigned anglesIn(__m128i block)
{
    const __m128i lt = _mm_cmpeq_epi8(block, _mm_set1_epi8('<'));
    const __m128i gt = _mm_cmpeq_epi8(block, _mm_set1_epi8('>'));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(lt, gt)));
}

inline unsigned ampersandsIn(__m128i block)
{
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('&'))));
}

// From this many bytes on, the rest of a message is searched by memchr.
constexpr std::ptrdiff_t LongRest = 64;

}  // namespace scan_detail
#endif

// Reads no byte outside [data, data + length). Blocks of 16 bytes are
// classified at once; a message's last block ends at its end and may overlap
// the one before, whose bytes have shown neither an angle bracket nor, when
// none was found, an '&'. A message shorter than a block is copied into a
// zeroed one. Past the first '&' only angle brackets matter, and a long rest
// is left to memchr, which reads long stretches faster.
inline MessageScan scanMessage(const char* data, std::size_t length)
{
    MessageScan scan{nullptr, nullptr};
#if defined(__SSE2__)
    using namespace scan_detail;
    if (length < 16) {
        char bytes[16] = {};
        if (length)
            std::memcpy(bytes, data, length);
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
        if (const unsigned angles = anglesIn(block))
            scan.angle = data + __builtin_ctz(angles);
        else if (const unsigned ampersands = ampersandsIn(block))
            scan.ampersand = data + __builtin_ctz(ampersands);
        return scan;
    }
    const char* const end = data + length;
    const char* const last = end - 16;
    const char* p = data;
    while (p < end) {
        const char* const at = p <= last ? p : last;
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        if (const unsigned angles = anglesIn(block)) {
            scan.angle = at + __builtin_ctz(angles);
            return scan;
        }
        p = at + 16;
        if (const unsigned ampersands = ampersandsIn(block)) {
            scan.ampersand = at + __builtin_ctz(ampersands);
            break;
        }
    }
    // The bytes before p hold no angle bracket.
    if (end - p >= LongRest) {
        const char* lt = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
        const char* limit = lt ? lt : end;
        const char* gt = static_cast<const char*>(std::memchr(p, '>', static_cast<std::size_t>(limit - p)));
        scan.angle = gt ? gt : lt;
        return scan;
    }
    while (p < end) {
        const char* const at = p <= last ? p : last;
        if (const unsigned angles = anglesIn(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)))) {
            scan.angle = at + __builtin_ctz(angles);
            return scan;
        }
        p = at + 16;
    }
    return scan;
#else
    for (const char* p = data; p < data + length; ++p) {
        if (*p == '<' || *p == '>') {
            scan.angle = p;
            return scan;
        }
        if (*p == '&' && !scan.ampersand)
            scan.ampersand = p;
    }
    return scan;
#endif
}

}  // namespace Tessel
