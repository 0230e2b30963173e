// SPDX-License-Identifier: MIT
// Qt rich text in which every picture points at a resource, a local file or
// a freshly downloaded file; optionally a copy of the input with its image
// tags rewritten (ParseHtml2).
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "base/Announcer.h"
#include "html/TextParser.h"
#include "html/node_pool.h"

namespace Tessel {

class DownloadSettings;
class ImageDownloader;

class RichTextParser : public TextParser {
public:
    const char* copyPos = nullptr;
    ImageDownloader* downloader = nullptr;
    std::map<std::string, std::string> imageCache;
    bool keepBody = false;
    bool resourceImagesOnly = false;
    // Who hears of the local pictures of the run: the caller's callback.
    Announcer announcer;
    // Where downloaded pictures go and the limits of a call's downloads;
    // null: the current directory and the default limits.
    const DownloadSettings* downloadSettings = nullptr;

    RichTextParser();
    ~RichTextParser() override;

    void onImgSrc(const char* tagStart, const std::string& value) override;
    bool wantParagraphs() override;

    void setKeepBody(bool flag);
    void parseToBody(const std::string& input);

    // Copies the input from copyPos up to tagStart into body and moves
    // copyPos past the tag: one byte past its first ">", or with
    // throughSlashClose past the first "/>" and failing that the first ">";
    // past the end of the input when there is neither. The caller appends
    // the replacement. Returns false, and does nothing, while copyPos is null.
    bool replaceTag(const char* tagStart, bool throughSlashClose);

protected:
    // Moves the copy past a tag whose end the caller knows: returns the
    // input from copyPos up to tagStart, for the caller to append to body
    // ahead of the tag's replacement, and resumes at resumeAt. copyPos must
    // not be null. A tag replaced a second time has been copied up to
    // already: nothing comes before its second replacement.
    std::string_view passTag(const char* tagStart, const char* resumeAt)
    {
        const std::string_view before(copyPos,
                                      copyPos <= tagStart ? static_cast<std::size_t>(tagStart - copyPos) : 0);
        if (resumeAt > copyPos)
            copyPos = resumeAt;
        return before;
    }

    // Writes the picture of an img tag's src into text, and into body in
    // keep-body mode, or drops it.
    void imgSrc(const char* tagStart, std::string_view src);

    // Whether the run looks at an image's src at all: not when it is empty,
    // nor when it is not a resource and only resources are wanted.
    bool wanted(std::string_view src) const
    {
        return !src.empty() && (!resourceImagesOnly || (src.size() >= 2 && src[0] == ':' && src[1] == '/'));
    }

    // The path of a source for this run: the one remembered in imageCache,
    // under the source's image key, when the run has resolved the source
    // before, else resolved now and remembered. False when it cannot be
    // resolved. src is a string's contents, followed by its NUL.
    bool findOrResolve(const char* tagStart, std::string_view src, std::string_view& path);

    // Resolves a source not met before in the run: downloads a web picture
    // (into downloaded), or checks that a local file exists and announces
    // it; a resource stands for itself and is announced too. False, with
    // the tag of a missing file dropped from the copy, when it fails. The
    // announced path is a tail of src, which must be followed by a NUL.
    bool resolve(const char* tagStart, std::string_view src, std::string& downloaded,
                 std::string_view& path);

    // A copy that resumes inside the tag, past a '>' or "/>" of one of its
    // quoted values or at a NUL byte in it, resumes after the tag instead:
    // the rest of the tag is attribute text, never markup of its own.
    void imgTagEnd(const char* tagStart, const char* end) override;

    // Starts copying the input [begin, end) into body at begin.
    void beginCopy(const char* begin, const char* end)
    {
        copyPos = begin;
        copyEnd = end;
        closeSearch_[0] = closeSearch_[1] = CloseSearch();
    }

    // End of the input being copied into body. The search for a tag's end
    // stops there, and at a NUL byte as in a C string.
    const char* copyEnd = nullptr;

    using ImageCache = std::map<std::string, std::string>;

    // The image key of a source, written into a buffer kept from one look-up
    // in imageCache to the next, so that looking up costs no allocation.
    const std::string& keyOf(std::string_view source);
    // Inserts (key, path) into imageCache at hint, in a node of an earlier
    // run when one is kept.
    ImageCache::iterator rememberImage(ImageCache::const_iterator hint, const std::string& key,
                                       std::string_view path);
    // Empties imageCache at the end of a run, keeping its nodes. In line:
    // most runs meet no picture that is not a resource.
    void emptyImageCache()
    {
        if (!imageCache.empty())
            spareImageNodes_.reclaim(imageCache);
    }

private:
    // The last search for a tag's end, by kind (">" or "/>"). Tags come in
    // input order, so a later tag before the answer's marker has the same
    // answer: a message of many tags whose end is far away, or missing, is
    // searched once instead of once per tag.
    struct CloseSearch {
        const char* from = nullptr;
        const char* validTo = nullptr;  // the answer holds for from .. validTo
        const char* close = nullptr;
    };
    CloseSearch closeSearch_[2];
    std::string key_;
    NodePool<ImageCache> spareImageNodes_;
    const char* findClose(const char* tagStart, bool slash);
};

}  // namespace Tessel
