// Qt rich text in which every picture points at a resource, a local file or
// a freshly downloaded file; optionally a copy of the input with its image
// tags rewritten (ParseHtml2).
#pragma once

#include <cstddef>
#include <string>

#include "html/TextParser.h"
#include "html/run_memory.h"

namespace Tessel {

class ImageDownloader;

// The run memory is a base so that it is built before, and outlives, the
// containers that draw on it.
class RichTextParser : public TextParser, protected RunMemory {
public:
    const char* copyPos = nullptr;
    ImageDownloader* downloader = nullptr;
    // Ordered by key; looked up by a key held in a buffer, without a copy.
    // Its entries live in the run memory.
    RunMap<RunString, RunString> imageCache{RunAllocator<char>(runMemory())};
    bool keepBody = false;
    bool resourceImagesOnly = false;

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
    // Starts copying the input [begin, end) into body at begin.
    void beginCopy(const char* begin, const char* end);

    // End of the input being copied into body. The search for a tag's end
    // stops there, and at a NUL byte as in a C string.
    const char* copyEnd = nullptr;

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
    const char* findClose(const char* tagStart, bool slash);
};

}  // namespace Tessel
