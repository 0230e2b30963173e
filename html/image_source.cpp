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
    out.reserve(out.size() + path.size() + 14);
    out.append("<img src=\"", 10).append(path).append("\"/>", 3);
}

}  // namespace Tessel
