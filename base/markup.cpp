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

#if defined(__SSE2__)
// Bit i stands for byte i of the block: whether it is escaped under mask.
inline unsigned escapedBytes(__m128i block, unsigned char mask)
{
    __m128i hits = _mm_cmpeq_epi8(block, _mm_set1_epi8('"'));
    if (mask & InFile) {
        for (char c : {'%', '#', '?', '&', '<', '>'})
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, _mm_set1_epi8(c)));
    }
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
}
#endif

// The first byte of text escaped under mask, or null. Paths are mostly
// longer than a block and hold none: they are searched 16 bytes at a time,
// the last block ending at the end of the text.
inline const char* firstEscaped(std::string_view text, unsigned char mask)
{
#if defined(__SSE2__)
    if (text.size() >= 16) {
        const char* const end = text.data() + text.size();
        for (const char* p = text.data(); p < end;) {
            const char* const at = end - p >= 16 ? p : end - 16;
            if (const unsigned hits =
                    escapedBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), mask))
                return at + __builtin_ctz(hits);
            p = at + 16;
        }
        return nullptr;
    }
#endif
    for (const char& c : text) {
        if (Escapes.of[static_cast<unsigned char>(c)] & mask)
            return &c;
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

}  // namespace

TESSEL_HOT void appendImageTag(std::string& out, std::string_view path)
{
    const unsigned char mask = startsWith(path, ":/") ? InResource : InFile;
    const char* first = firstEscaped(path, mask);
    if (!first) {
        appendPieces(out, {TagOpen, path, TagClose});
        return;
    }
    out.append(TagOpen.data(), TagOpen.size());
    appendEscaped(out, path, first, mask);
    out.append(TagClose.data(), TagClose.size());
}

TESSEL_HOT void appendImageTagAround(std::string& out, char* buffer, std::size_t pathLength)
{
    const std::string_view path(buffer + ImageTagOpen, pathLength);
    if (firstEscaped(path, startsWith(path, ":/") ? InResource : InFile)) {
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
