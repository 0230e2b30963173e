#include "html/SingleCallParser.h"

#include <cstring>

namespace Tessel {

bool SingleCallParser::findOrResolve(const char* tagStart, const std::string& src, std::string_view& path)
{
    if (more_.empty()) {
        for (std::size_t i = 0; i < count_; ++i) {
            const Resolved& known = resolved_[i];
            if (known.sourceLength == src.size() && std::memcmp(known.source, src.data(), src.size()) == 0) {
                path = std::string_view(known.path, known.pathLength);
                return true;
            }
        }
    } else if (auto found = more_.find(std::string_view(src)); found != more_.end()) {
        path = found->second;
        return true;
    }

    std::string downloaded;
    if (!resolve(tagStart, src, downloaded, path))
        return false;
    path = remember(src, path, downloaded);
    return true;
}

std::string_view SingleCallParser::remember(const std::string& src, std::string_view path,
                                            const std::string& downloaded)
{
    const std::string_view source = keep(src);
    // A resource or local path is the source or a tail of it, and shares its copy.
    if (!downloaded.empty() && path.data() == downloaded.data())
        path = keep(path);
    else
        path = source.substr(src.size() - path.size());
    if (count_ < TableSize) {
        resolved_[count_++] = {source.data(), source.size(), path.data(), path.size()};
        return path;
    }
    // The table is full: from now on the map holds every source.
    if (more_.empty()) {
        for (const Resolved& known : resolved_)
            more_.emplace(std::string_view(known.source, known.sourceLength),
                          std::string_view(known.path, known.pathLength));
    }
    more_.emplace(source, path);
    return path;
}

std::string_view SingleCallParser::keep(std::string_view bytes)
{
    char* copy = static_cast<char*>(memory_.allocate(bytes.size(), 1));
    if (!bytes.empty())
        std::memcpy(copy, bytes.data(), bytes.size());
    return std::string_view(copy, bytes.size());
}

}  // namespace Tessel
