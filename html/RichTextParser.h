// Qt rich text in which every picture points at a resource, a local file or
// a freshly downloaded file; optionally a copy of the input with its image
// tags rewritten (ParseHtml2).
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "html/ForwardSearch.h"
#include "html/TextParser.h"

namespace Tessel {

class ImageDownloader;

class RichTextParser : public TextParser {
public:
    const char* copyPos = nullptr;
    ImageDownloader* downloader = nullptr;
    std::map<std::string, std::string> imageCache;
    bool keepBody = false;
    bool resourceImagesOnly = false;

    RichTextParser();
    ~RichTextParser() override;

    void onImgSrc(const char* tagStart, const std::string& value) override;
    bool wantParagraphs() override;

    void setKeepBody(bool flag);
    void parseToBody(const std::string& input);

    // Copies the input from copyPos up to tagStart into body, moves copyPos
    // to resumeAt and appends the replacement; does nothing while copyPos is
    // null.
    void replaceInCopy(const char* tagStart, const char* resumeAt, const char* replacement,
                       std::size_t length);

protected:
    // Starts a copy of input into body at its first byte (null: no copy).
    void startCopy(const char* input);
    // One byte past the first '>' from tagStart on, or the end of the input
    // when there is none.
    const char* pastTagEnd(const char* tagStart);

private:
    ForwardSearch tagEnd_{">"};
};

}  // namespace Tessel
