#include "html/image_source.h"

#include "emoticons/number.h"

namespace Tessel {

std::string localPathOfSource(const std::string& source)
{
    if (!startsWith(source, "file:///"))
        return source;
#if defined(_WIN32)
    return source.substr(8);
#else
    return source.substr(source.compare(7, 2, "//") == 0 ? 8 : 7);
#endif
}

void appendPieces(std::string& out, std::initializer_list<std::string_view> pieces)
{
    std::size_t at = out.size();
    std::size_t length = 0;
    for (std::string_view piece : pieces)
        length += piece.size();
    out.resize(at + length);
    for (std::string_view piece : pieces) {
        if (!piece.empty())
            std::memcpy(&out[at], piece.data(), piece.size());
        at += piece.size();
    }
}

void appendImageTag(std::string& out, const std::string& path)
{
    appendPieces(out, {"<img src=\"", path, "\"/>"});
}

const char* findTagClose(const char* from, const char* end, bool slash)
{
    for (const char* p = from; p < end;) {
        const char* close = static_cast<const char*>(std::memchr(p, '>', static_cast<std::size_t>(end - p)));
        if (!close)
            return nullptr;
        if (!slash || (close > from && close[-1] == '/')) {
            const char* markerStart = slash ? close - 1 : close;
            if (std::memchr(from, '\0', static_cast<std::size_t>(markerStart - from)))
                return nullptr;
            return close;
        }
        p = close + 1;
    }
    return nullptr;
}

const char* cStringEnd(const char* from, const char* end)
{
    const void* nul = from < end ? std::memchr(from, '\0', static_cast<std::size_t>(end - from)) : nullptr;
    return nul ? static_cast<const char*>(nul) : end;
}

int resourceNumber(const std::string& source)
{
    auto isSeparator = [&source](std::size_t i) { return source[i] == '/' || source[i] == '\\'; };
    std::size_t end = source.size();
    for (;;) {
        while (end > 0 && isSeparator(end - 1))
            --end;
        if (end == 0)
            return 0;
        std::size_t start = end;
        while (start > 0 && !isSeparator(start - 1))
            --start;
        if (end - start == 1 && source[start] == '.') {
            end = start;
            continue;
        }
        if (std::memchr(source.data() + start, ':', end - start))
            return 0;
        // The element is followed by a separator or the string's NUL, where
        // the reading of the number stops in any case.
        return readNumber(source.c_str() + start);
    }
}

}  // namespace Tessel
