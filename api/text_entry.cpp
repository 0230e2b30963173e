// Library start-up and the text entry points.
#include <cstring>

#include "api/state.h"
#include "base/hot.h"
#include "html/RichTextParser.h"
#include "html/RichTextParser_Orb.h"
#include "html/SingleCallParser.h"
#include "tessel/EmoticonCache.h"

namespace Tessel {

bool Init(const char* root, const char* catalogue)
{
    RootPath = root ? root : "";
    if (!RichParser)
        RichParser = new RichTextParser();
    if (!BodyParser)
        BodyParser = new RichTextParser_Orb();
    // The catalogue is set only once its constructor returns; an exception
    // leaves it null so that the next Init tries again.
    if (!Catalogue)
        Catalogue = new EmoticonCache(catalogue ? catalogue : "");
    return true;
}

bool SetCachePath(const char* path)
{
    // A path that does not fit the buffer with its terminator is refused and
    // the previous cache directory stays; a null path clears it.
    std::size_t length = path ? std::strlen(path) : 0;
    if (length >= sizeof CachePath)
        return false;
    std::memset(CachePath, 0, sizeof CachePath);
    if (length)
        std::memcpy(CachePath, path, length);
    return false;
}

TESSEL_HOT bool ParseHtml(const std::string& html, ParseCallback callback, std::int64_t user,
                          bool resourceImagesOnly)
{
    if (!RichParser)
        return false;
    CurrentParser = RichParser;
    Callback = callback;
    CallbackUser = user;

    SingleCallParser::Lease parser;
    parser->resourceImagesOnly = resourceImagesOnly;
    parser->parse(html.data(), html.size());
    if (Callback)
        Callback(1, parser->text.c_str(), static_cast<int>(parser->text.size()), CallbackUser);
    return true;
}

bool ParseHtml2(std::string& out, const std::string& html, ParseCallback callback,
                std::int64_t user)
{
    if (!RichParser)
        return false;
    CurrentParser = RichParser;
    Callback = callback;
    CallbackUser = user;

    RichParser->setKeepBody(true);
    RichParser->parseToBody(html);
    RichParser->setKeepBody(false);
    out = RichParser->body;
    return true;
}

bool GetText(std::string& out)
{
    if (CurrentParser)
        out = CurrentParser->text;
    return false;
}

bool GetBody(std::string& out)
{
    if (CurrentParser)
        out = CurrentParser->body;
    return false;
}

}  // namespace Tessel
