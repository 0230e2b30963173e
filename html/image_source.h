// Pieces shared by the parsers that rewrite image tags.
#pragma once

#include <cstring>
#include <string>

namespace Tessel {

inline bool startsWith(const std::string& s, const char* prefix)
{
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// The local path that an image source names: the source itself, or a
// "file:///" address without its scheme. On Windows the prefix is cut whole
// (file:///C:/x.png is C:/x.png); elsewhere the path keeps its root, so that
// both file:///tmp/x.png and file:////tmp/x.png name /tmp/x.png.
std::string localPathOfSource(const std::string& source);

// Appends "<img src=\"" path "\"/>" to out.
void appendImageTag(std::string& out, const std::string& path);

}  // namespace Tessel
