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

void appendImageTag(std::string& out, const std::string& path)
{
    // One resize and three copies rather than three appends that each check
    // the capacity.
    const std::size_t at = out.size();
    out.resize(at + 10 + path.size() + 3);
    char* p = &out[at];
    std::memcpy(p, "<img src=\"", 10);
    std::memcpy(p + 10, path.data(), path.size());
    std::memcpy(p + 10 + path.size(), "\"/>", 3);
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
