// SPDX-License-Identifier: MIT
#include "base/markup.h"

#include "base/hot.h"
#include "base/text_search.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Tessel {

namespace {

// Which bytes of a path are escaped, for a file path and for a resource.
enum EscapeClass : unsigned char { InFile = 1, InResource = 2 };

struct EscapeTable {
    unsigned char of[256] = {};
    const char* replacement[256] = {};

    constexpr EscapeTable()
    {
        set('%', "%25", InFile);
        set('#', "%23", InFile);
        set('?', "%3F", InFile);
        set('&', "&amp;", InFile);
        set('<', "&lt;", InFile);
        set('>', "&gt;", InFile);
        set('"', "&quot;", InFile | InResource);
    }

    constexpr void set(char c, const char* text, unsigned classes)
    {
        of[static_cast<unsigned char>(c)] = static_cast<unsigned char>(classes);
        replacement[static_cast<unsigned char>(c)] = text;
    }
};

constexpr EscapeTable Escapes;

constexpr std::string_view TagOpen = "<img src=\"";
constexpr std::string_view TagClose = "\"/>";
static_assert(TagOpen.size() == ImageTagOpen && TagClose.size() == ImageTagClose);

inline bool escaped(const char* p, unsigned char mask)
{
    return (Escapes.of[static_cast<unsigned char>(*p)] & mask) != 0;
}

#if defined(__SSE2__)
// Bit i: whether byte i of the 16 at p may be one that mask escapes: '"'
// for a resource; for a file path any of "\"#$%&" and "<=>?", which holds
// every byte escaped in a file path and two that are not.
inline unsigned candidates(const char* p, unsigned char mask)
{
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (mask == InResource)
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('"'))));
    const __m128i low = _mm_sub_epi8(block, _mm_set1_epi8('"'));
    const __m128i high = _mm_sub_epi8(block, _mm_set1_epi8('<'));
    const __m128i inLow = _mm_cmpeq_epi8(_mm_min_epu8(low, _mm_set1_epi8(4)), low);
    const __m128i inHigh = _mm_cmpeq_epi8(_mm_min_epu8(high, _mm_set1_epi8(3)), high);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(inLow, inHigh)));
}
#endif

// The first byte of text that mask escapes, or null. Paths are searched 16
// bytes at a time, the last block overlapping the one before it.
TESSEL_IN_LINE const char* firstEscaped(std::string_view text, unsigned char mask)
{
    const char* p = text.data();
    const char* const end = p + text.size();
#if defined(__SSE2__)
    if (text.size() >= 16) {
        for (;; p += 16) {
            const char* block = p + 16 <= end ? p : end - 16;
            for (unsigned bits = candidates(block, mask); bits != 0; bits &= bits - 1) {
                const char* c = block + __builtin_ctz(bits);
                if (escaped(c, mask))
                    return c;
            }
            if (block + 16 >= end)
                return nullptr;
        }
    }
#endif
    for (; p < end; ++p) {
        if (escaped(p, mask))
            return p;
    }
    return nullptr;
}

// Appends text with the bytes of mask replaced, from the first of them on.
void appendEscaped(std::string& out, std::string_view text, const char* first, unsigned char mask)
{
    const char* run = text.data();
    const char* const end = text.data() + text.size();
    for (const char* p = first; p < end; ++p) {
        const unsigned char byte = static_cast<unsigned char>(*p);
        if (!(Escapes.of[byte] & mask))
            continue;
        out.append(run, static_cast<std::size_t>(p - run)).append(Escapes.replacement[byte]);
        run = p + 1;
    }
    out.append(run, static_cast<std::size_t>(end - run));
}

// What a path written into an image tag escapes: a resource only '"'.
inline unsigned char escapesOf(std::string_view path)
{
    return startsWith(path, ":/") ? InResource : InFile;
}

}  // namespace

TESSEL_HOT void appendImageTag(std::string& out, std::string_view path)
{
    const unsigned char mask = escapesOf(path);
    const char* first = firstEscaped(path, mask);
    if (!first) {
        appendPieces(out, TagOpen, path, TagClose);
        return;
    }
    out.append(TagOpen.data(), TagOpen.size());
    appendEscaped(out, path, first, mask);
    out.append(TagClose.data(), TagClose.size());
}

TESSEL_HOT void appendImageTagAround(std::string& out, char* buffer, std::size_t pathLength)
{
    const std::string_view path(buffer + ImageTagOpen, pathLength);
    if (firstEscaped(path, escapesOf(path))) {
        appendImageTag(out, path);
        return;
    }
    std::memcpy(buffer, TagOpen.data(), ImageTagOpen);
    std::memcpy(buffer + ImageTagOpen + pathLength, TagClose.data(), ImageTagClose);
    out.append(buffer, ImageTagOpen + pathLength + ImageTagClose);
}

void appendQuotedValue(std::string& out, std::string_view text)
{
    if (const char* first = firstEscaped(text, InResource))
        appendEscaped(out, text, first, InResource);
    else
        out.append(text.data(), text.size());
}

}  // namespace Tessel
