// SPDX-License-Identifier: MIT
#include "html/RichTextParser.h"

#include <cstring>

#include "base/buffers.h"
#include "base/hot.h"
#include "base/text_search.h"
#include "download/ImageDownloader.h"
#include "html/image_key_cache.h"
#include "html/image_source.h"

namespace Tessel {

RichTextParser::RichTextParser() = default;

RichTextParser::~RichTextParser()
{
    delete downloader;
}

bool RichTextParser::wantParagraphs()
{
    return true;
}

void RichTextParser::setKeepBody(bool flag)
{
    keepBody = flag;
}

void RichTextParser::parseToBody(const std::string& input)
{
    clearKeepingLittle(text);
    clearKeepingLittle(body);
    // Both outputs are about as long as the input.
    text.reserve(input.size());
    body.reserve(input.size());
    beginCopy(input.c_str(), input.data() + input.size());
    if (downloader)
        downloader->beginCall();
    HtmlParser::parse(input.data(), input.size());
    if (copyPos)
        body.append(copyPos);
    emptyImageCache();
}

const char* RichTextParser::findClose(const char* tagStart, bool slash)
{
    CloseSearch& last = closeSearch_[slash];
    if (last.from && tagStart >= last.from && tagStart <= last.validTo)
        return last.close;
    const char* close = findTagClose(tagStart, copyEnd, slash);
    last.from = tagStart;
    last.close = close;
    // A found marker answers every position up to its start; none found
    // answers every position up to the NUL or end that stopped the search.
    last.validTo = close ? close - (slash ? 1 : 0) : cStringEnd(tagStart, copyEnd);
    return close;
}

const std::string& RichTextParser::keyOf(std::string_view source)
{
    const ImageKey key = cachedImageKey(source);
    key_.assign(key.digits, sizeof key.digits);
    return key_;
}

RichTextParser::ImageCache::iterator RichTextParser::rememberImage(ImageCache::const_iterator hint,
                                                                  const std::string& key,
                                                                  std::string_view path)
{
    return spareImageNodes_.insert(imageCache, hint, std::string_view(key), path);
}

bool RichTextParser::replaceTag(const char* tagStart, bool throughSlashClose)
{
    if (!copyPos)
        return false;
    const char* resumeAt = nullptr;
    if (throughSlashClose) {
        if (const char* close = findClose(tagStart, true))
            resumeAt = close + 1;
    }
    if (!resumeAt) {
        const char* close = findClose(tagStart, false);
        resumeAt = close ? close + 1 : cStringEnd(tagStart, copyEnd);
    }
    const std::string_view before = passTag(tagStart, resumeAt);
    body.append(before.data(), before.size());
    return true;
}

void RichTextParser::imgTagEnd(const char* tagStart, const char* end)
{
    if (copyPos > tagStart && copyPos <= end)
        copyPos = end < copyEnd ? end + 1 : copyEnd;
}

void RichTextParser::onImgSrc(const char* tagStart, const std::string& src)
{
    imgSrc(tagStart, src);
}

TESSEL_HOT void RichTextParser::imgSrc(const char* tagStart, std::string_view src)
{
    if (!wanted(src))
        return;
    std::string_view path;
    if (!findOrResolve(tagStart, src, path))
        return;
    appendImageTag(text, path);
    if (keepBody && replaceTag(tagStart, false))
        appendImageTag(body, path);
}

bool RichTextParser::findOrResolve(const char* tagStart, std::string_view src, std::string_view& path)
{
    const std::string& key = keyOf(src);
    auto cached = imageCache.lower_bound(key);
    if (cached == imageCache.end() || cached->first != key) {
        std::string downloaded;
        if (!resolve(tagStart, src, downloaded, path))
            return false;
        cached = rememberImage(cached, key, path);
    }
    path = cached->second;
    return true;
}

TESSEL_HOT bool RichTextParser::resolve(const char* tagStart, std::string_view src, std::string& downloaded,
                                        std::string_view& path)
{
    const NamedPicture named = whatSourceNames(src, true);
    if (named.kind == SourceKind::web) {
        if (!downloader) {
            downloader = new ImageDownloader();
            downloader->settings = downloadSettings;
            downloader->announcer = &announcer;
        }
        // The downloader announces the file itself.
        if (!downloader->downloadImage(std::string(src), downloaded))
            return false;
        path = downloaded;
        return true;
    }
    if (named.kind == SourceKind::nothing) {
        if (keepBody)
            replaceTag(tagStart, false);
        return false;
    }
    path = named.path;
    announcer.picture(path);
    return true;
}

}  // namespace Tessel
