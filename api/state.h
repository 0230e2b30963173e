// SPDX-License-Identifier: MIT
// The library-wide state shared by the exported functions. It lives as long
// as the library is loaded; the three objects made by Init are never freed.
// The parsers and the downloader below never reach up for it: the entry
// points hand each of them what it needs (the callback, the download
// settings, the catalogue).
#pragma once

#include <atomic>
#include <string>

#include "download/DownloadSettings.h"
#include "tessel/tessel.h"

namespace Tessel {

class HtmlParser;
class RichTextParser;
class RichTextParser_Orb;

extern std::string RootPath;
// Read by ParseHtml on any thread while Init may set it.
extern std::atomic<RichTextParser*> RichParser;
extern RichTextParser_Orb* BodyParser;
// Read by the catalogue functions on any thread while Init may set it.
extern std::atomic<EmoticonCache*> Catalogue;
// Set by ParseHtml on any thread.
extern std::atomic<HtmlParser*> CurrentParser;
// The cache directory (SetCachePath) and the download limits.
extern DownloadSettings Downloads;

// Held for the length of a call that uses the library-wide parsers. Such
// calls must not overlap: a second one, on another thread or from a
// callback, finds the library taken and is refused.
class ExclusiveCall {
public:
    ExclusiveCall();
    ~ExclusiveCall();
    ExclusiveCall(const ExclusiveCall&) = delete;
    ExclusiveCall& operator=(const ExclusiveCall&) = delete;
    explicit operator bool() const { return held_; }

private:
    bool held_;
};

}  // namespace Tessel
