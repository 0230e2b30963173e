// Pieces shared by the parsers that rewrite image tags.
#pragma once

#include <cstring>
#include <string>

namespace Tessel {

// Inline, so that the prefix length of a literal is known at compile time.
inline bool startsWith(const std::string& s, const char* prefix)
{
    const std::size_t n = std::strlen(prefix);
    return s.size() >= n && std::memcmp(s.data(), prefix, n) == 0;
}

// The local path that an image source names: the source itself, or a
// "file:///" address without its scheme. On Windows the prefix is cut whole
// (file:///C:/x.png is C:/x.png); elsewhere the path keeps its root, so that
// both file:///tmp/x.png and file:////tmp/x.png name /tmp/x.png.
std::string localPathOfSource(const std::string& source);

// Appends "<img src=\"" path "\"/>" to out.
void appendImageTag(std::string& out, const std::string& path);

}  // namespace Tessel
