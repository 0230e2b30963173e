// SPDX-License-Identifier: MIT
#include "html/image_source.h"

#include <cstring>

#include "base/hot.h"
#include "base/number.h"
#include "fs/filesystem.h"
#include "fs/system.h"

namespace Tessel {

TESSEL_HOT std::string_view localPathOfSource(std::string_view source)
{
    std::string_view path = source;
    if (!startsWith(path, "file:///"))
        return path;
    return path.substr(fileUrlPrefixLength(path));
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

int resourceNumber(std::string_view source)
{
    const char* const data = source.data();
    auto isSeparator = [](char c) { return c == '/' || c == '\\'; };
    const char* end = data + source.size();
    for (;;) {
        while (end > data && isSeparator(end[-1]))
            --end;
        if (end == data)
            return 0;
        const char* start = end;
        bool colon = false;
        while (start > data && !isSeparator(start[-1]))
            colon |= *--start == ':';
        if (end - start == 1 && *start == '.') {
            end = start;
            continue;
        }
        if (colon)
            return 0;
        return readNumber(std::string_view(start, static_cast<std::size_t>(end - start)));
    }
}

}  // namespace Tessel
