// The one header a client includes: the exported functions of Tessel, the
// result callback, the pair lists, and the emoticon catalogue.
#pragma once

#include <cstdint>
#include <string>

#include "tessel/EmoticonCache.h"
#include "tessel/export.h"
#include "tessel/types.h"

namespace Tessel {

// Library state and text entry points.
TESSEL_API bool Init(const char* root, const char* catalogue);
TESSEL_API bool SetCachePath(const char* path);
TESSEL_API bool SetDownloadLimits(std::uint64_t maxPictureBytes, std::uint32_t maxCallMilliseconds);
TESSEL_API bool ParseHtml(const std::string& html, ParseCallback callback, std::int64_t user,
                          bool resourceImagesOnly);
TESSEL_API bool ParseHtml2(std::string& out, const std::string& html, ParseCallback callback,
                           std::int64_t user);
TESSEL_API bool GetText(std::string& out);
TESSEL_API bool GetBody(std::string& out);

// Emoticon entry points.
TESSEL_API EMOSTRUCT* EChStructFromIndex(int index);
TESSEL_API bool IsClassicECh(const std::string& name);
TESSEL_API std::string EChPathFromName(const std::string& name);
TESSEL_API std::string EChPathFromId(const std::string& id);
TESSEL_API EMOSTRUCT* getClassicPtr();
TESSEL_API EMOSTRUCT* getOtherPtr();
TESSEL_API int getClassicCount();
TESSEL_API int getOtherCount();

// Message-body entry points.
TESSEL_API bool ParseHtml_Orb(const std::string& html);
TESSEL_API bool SetCustomHead(const std::string& title, const std::string& sender,
                              const std::string& date);
TESSEL_API bool GetEChVector(StringPairList& out);
TESSEL_API bool GetImageVector(StringPairList& out);
TESSEL_API bool EChTextFromBody(const std::string& source, std::string& out);
TESSEL_API bool HtmlFromBody(std::string& out, const std::string& source,
                             const StringPairList& images);

}  // namespace Tessel
