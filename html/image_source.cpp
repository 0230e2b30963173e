#include "html/image_source.h"

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

}  // namespace Tessel
