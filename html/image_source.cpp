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

TESSEL_HOT int writtenEmoticonNumber(std::string_view source)
{
    constexpr std::string_view Prefix = ":/Res/FaceMgr/em/";
    constexpr std::string_view Suffix = ".png";
    constexpr std::size_t MostDigits = 9;
    const std::size_t digits = source.size() - Prefix.size() - Suffix.size();
    if (source.size() <= Prefix.size() + Suffix.size() || digits > MostDigits ||
        !startsWith(source, Prefix) ||
        std::memcmp(source.data() + source.size() - Suffix.size(), Suffix.data(), Suffix.size()) != 0)
        return -1;
    int number = 0;
    for (const char* p = source.data() + Prefix.size(); p < source.data() + Prefix.size() + digits; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit > 9)
            return -1;
        number = number * 10 + static_cast<int>(digit);
    }
    return number;
}

}  // namespace Tessel
