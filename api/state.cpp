#include "api/state.h"

#include <cstring>

namespace Tessel {

std::string RootPath;
RichTextParser* RichParser = nullptr;
RichTextParser_Orb* BodyParser = nullptr;
EmoticonCache* Catalogue = nullptr;
HtmlParser* CurrentParser = nullptr;
ParseCallback Callback = nullptr;
std::int64_t CallbackUser = 0;
char CachePath[CachePathSize] = {};

std::string cachePathText()
{
    const void* end = std::memchr(CachePath, 0, sizeof CachePath);
    std::size_t length = end ? static_cast<const char*>(end) - CachePath : sizeof CachePath;
    return std::string(CachePath, length);
}

}  // namespace Tessel
