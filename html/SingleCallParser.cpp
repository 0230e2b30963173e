#include "html/SingleCallParser.h"

#include <cstdint>
#include <cstring>

namespace Tessel {

namespace {

// Whether n bytes at a and b are equal. Sources of one message tend to share
// their start (":/emoticons/..."), so their last eight bytes are compared first.
inline bool sameBytes(const char* a, const char* b, std::size_t n)
{
    if (n < 8)
        return std::memcmp(a, b, n) == 0;
    std::uint64_t tailA;
    std::uint64_t tailB;
    std::memcpy(&tailA, a + n - 8, 8);
    std::memcpy(&tailB, b + n - 8, 8);
    return tailA == tailB && std::memcmp(a, b, n - 8) == 0;
}

}  // namespace

void SingleCallParser::parse(const char* data, std::size_t length)
{
    count_ = 0;
    more_.clear();
    TextParser::parse(data, length);
}

bool SingleCallParser::findOrResolve(const char* tagStart, const std::string& src, std::string_view& path)
{
    if (more_.empty()) {
        for (std::size_t i = 0; i < count_; ++i) {
            const Resolved& known = resolved_[i];
            if (known.sourceLength == src.size() && sameBytes(known.source, src.data(), src.size())) {
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
    // The source's bytes in the message last as long as the run; a source
    // not reported by the tokenizer is copied.
    const std::string_view source = reportedInput() ? std::string_view(reportedInput(), src.size()) : keep(src);
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
