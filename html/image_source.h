// SPDX-License-Identifier: MIT
// Pieces shared by the parsers that rewrite image tags.
#pragma once

#include <string>
#include <string_view>

#include "base/hot.h"
#include "base/markup.h"
#include "base/text_search.h"
#include "emoticons/emoticon_lookup.h"
#include "fs/filesystem.h"

namespace Tessel {

// The local path that an image source names: the source itself, or a
// "file:///" address without its scheme. On Windows the prefix is cut whole
// (file:///C:/x.png is C:/x.png); elsewhere the path keeps its root, so that
// both file:///tmp/x.png and file:////tmp/x.png name /tmp/x.png. A tail of
// source, so NUL-terminated when it is.
std::string_view localPathOfSource(std::string_view source);

// What an image source names, decided in this one place for every parser.
enum class SourceKind {
    web,       // an "http://" address, to be downloaded (only when asked for)
    resource,  // a Qt resource (":/..."), which stands for itself untested
    file,      // a local file that exists
    nothing    // a local path that names no file
};

struct NamedPicture {
    SourceKind kind;
    std::string_view path;  // a tail of the source: the resource or file; empty for web and nothing
};

// Tests the file system for a local path. The source must be followed by a
// NUL byte, as the contents of a string are; webAddresses says whether the
// caller downloads "http://" addresses or takes them for local paths.
TESSEL_IN_LINE NamedPicture whatSourceNames(std::string_view source, bool webAddresses)
{
    if (webAddresses && startsWith(source, "http://"))
        return {SourceKind::web, {}};
    const std::string_view path = startsWith(source, ":/") ? source : localPathOfSource(source);
    if (startsWith(path, ":/"))
        return {SourceKind::resource, path};
    return isFileNamed(path) ? NamedPicture{SourceKind::file, path} : NamedPicture{SourceKind::nothing, {}};
}

// The '>' that ends the first ">" (or, with slash, the first "/>") in
// [from, end) ahead of any NUL byte, where strstr would find it in a C
// string; null when there is none.
const char* findTagClose(const char* from, const char* end, bool slash);

// Where a C string at from ends within [from, end): its first NUL, or end.
const char* cStringEnd(const char* from, const char* end);

// The number that names the emoticon of a resource source (":/.../12.png"):
// its last path element that is neither empty nor "." (separators '/' and
// '\\'; none when it holds a ':'), read as atoi reads it. The same number
// as readNumber(Path(source).filename().str().c_str()), without the copies.
int resourceNumber(std::string_view source);

// The number of an emoticon resource written exactly as the catalogue
// writes its paths (EmoticonPathPrefix, one to nine decimal digits,
// EmoticonPathSuffix; resourceNumber gives the same number); -1 for any
// other source. Such a source holds no '"', '>' or NUL byte.
inline int writtenEmoticonNumber(std::string_view source)
{
    constexpr std::size_t MostDigits = 9;
    const std::size_t digits = source.size() - EmoticonPathPrefix.size() - EmoticonPathSuffix.size();
    if (source.size() <= EmoticonPathPrefix.size() + EmoticonPathSuffix.size() || digits > MostDigits ||
        !startsWith(source, EmoticonPathPrefix) || !endsWith(source, EmoticonPathSuffix))
        return -1;
    int number = 0;
    const char* const first = source.data() + EmoticonPathPrefix.size();
    for (const char* p = first; p < first + digits; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit > 9)
            return -1;
        number = number * 10 + static_cast<int>(digit);
    }
    return number;
}

}  // namespace Tessel
