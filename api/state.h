// The library-wide state shared by the exported functions, the parsers and
// the image downloader. It lives as long as the library is loaded; the three
// objects made by Init are never freed.
#pragma once

#include <cstdint>
#include <string>

#include "tessel/tessel.h"

namespace Tessel {

class HtmlParser;
class RichTextParser;
class RichTextParser_Orb;

constexpr int CachePathSize = 260;

extern std::string RootPath;
extern RichTextParser* RichParser;
extern RichTextParser_Orb* BodyParser;
extern EmoticonCache* Catalogue;
extern HtmlParser* CurrentParser;
extern ParseCallback Callback;
extern std::int64_t CallbackUser;
extern char CachePath[CachePathSize];

// CachePath up to its first NUL, never past the end of the buffer.
std::string cachePathText();

}  // namespace Tessel
