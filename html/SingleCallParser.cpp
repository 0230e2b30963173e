#include "html/SingleCallParser.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "base/buffers.h"
#include "base/hot.h"
#include "download/ImageDownloader.h"

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

struct SingleCallParser::Kept {
    std::unique_ptr<SingleCallParser> parser;
    bool inUse = false;
};

thread_local SingleCallParser::Kept SingleCallParser::threadParser_;

TESSEL_HOT SingleCallParser::Lease::Lease()
{
    Kept& own = threadParser_;
    if (own.inUse) {
        parser_ = new SingleCallParser();
        return;
    }
    if (!own.parser)
        own.parser = std::make_unique<SingleCallParser>();
    own.inUse = true;
    parser_ = own.parser.get();
    kept_ = &own;
}

TESSEL_HOT SingleCallParser::Lease::~Lease()
{
    if (!kept_) {
        delete parser_;
        return;
    }
    parser_->reset();
    kept_->inUse = false;
}

TESSEL_HOT void SingleCallParser::reset()
{
    delete downloader;
    downloader = nullptr;
    resourceImagesOnly = false;
    clearKeepingLittle(text);
    more_.clear();
    count_ = 0;
    memory_.clear();
}

TESSEL_HOT void SingleCallParser::reportImgSrc(const char* tagStart, std::string_view value)
{
    imgSrc(tagStart, value);
}

TESSEL_HOT bool SingleCallParser::findOrResolve(const char* tagStart, std::string_view src, std::string_view& path)
{
    if (more_.empty()) {
        for (std::size_t i = 0; i < count_; ++i) {
            const Resolved& known = resolved_[i];
            if (known.sourceLength == src.size() && sameBytes(known.source, src.data(), src.size())) {
                path = std::string_view(known.path, known.pathLength);
                return true;
            }
        }
    } else if (auto found = more_.find(src); found != more_.end()) {
        path = found->second;
        return true;
    }

    // Resolving announces a tail of the source, which must end in a NUL. A
    // source that fails is tried again when met again, as with imageCache;
    // its copies, together no larger than the message, last until the end
    // of the call.
    const std::string_view source = keep(src);
    std::string downloaded;
    if (!resolve(tagStart, source, downloaded, path))
        return false;
    path = remember(source, path, downloaded);
    return true;
}

TESSEL_HOT std::string_view SingleCallParser::remember(std::string_view source, std::string_view path,
                                                       const std::string& downloaded)
{
    if (!downloaded.empty() && path.data() == downloaded.data())
        path = keep(path);
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

TESSEL_HOT std::string_view SingleCallParser::keep(std::string_view bytes)
{
    char* copy = static_cast<char*>(memory_.allocate(bytes.size() + 1, 1));
    if (!bytes.empty())
        std::memcpy(copy, bytes.data(), bytes.size());
    copy[bytes.size()] = '\0';
    return std::string_view(copy, bytes.size());
}

}  // namespace Tessel
