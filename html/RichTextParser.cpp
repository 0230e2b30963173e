#include "html/RichTextParser.h"

#include <cstring>

#include "api/state.h"
#include "download/ImageDownloader.h"
#include "fs/filesystem.h"
#include "html/image_source.h"
#include "html/md5.h"

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
    text.clear();
    body.clear();
    startCopy(input.c_str());
    HtmlParser::parse(input.data(), input.size());
    if (copyPos)
        body.append(copyPos);
    imageCache.clear();
}

void RichTextParser::startCopy(const char* input)
{
    copyPos = input;
    tagEnd_.restart();
}

const char* RichTextParser::pastTagEnd(const char* tagStart)
{
    const char* end = tagEnd_.find(tagStart);
    // No '>': the tag runs to the end of the input.
    return *end ? end + 1 : end;
}

void RichTextParser::replaceInCopy(const char* tagStart, const char* resumeAt,
                                   const char* replacement, std::size_t length)
{
    if (!copyPos)
        return;
    // A tag replaced a second time has been copied up to already: its
    // second replacement follows the first.
    if (copyPos <= tagStart)
        body.append(copyPos, tagStart - copyPos);
    if (resumeAt > copyPos)
        copyPos = resumeAt;
    body.append(replacement, length);
}

void RichTextParser::onImgSrc(const char* tagStart, const std::string& src)
{
    if (src.empty())
        return;
    if (resourceImagesOnly && !startsWith(src, ":/"))
        return;

    std::string key = imageKey(src);
    auto cached = imageCache.find(key);
    const std::string* path;
    if (cached != imageCache.end()) {
        path = &cached->second;
    } else {
        std::string resolved;
        if (startsWith(src, "http://")) {
            if (!downloader)
                downloader = new ImageDownloader();
            // The downloader announces the file itself.
            if (!downloader->downloadImage(src, resolved))
                return;
        } else {
            resolved = localPathOfSource(src);
            if (!startsWith(resolved, ":/") && !isFile(Path(resolved))) {
                if (keepBody)
                    replaceInCopy(tagStart, pastTagEnd(tagStart), "", 0);
                return;
            }
            if (Callback)
                Callback(2, resolved.c_str(), static_cast<int>(resolved.size()), CallbackUser);
        }
        path = &imageCache.emplace(std::move(key), std::move(resolved)).first->second;
    }

    std::size_t before = text.size();
    appendImageTag(text, *path);
    if (keepBody)
        replaceInCopy(tagStart, pastTagEnd(tagStart), text.data() + before,
                      text.size() - before);
}

}  // namespace Tessel
