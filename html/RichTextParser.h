// Qt rich text in which every picture points at a resource, a local file or
// a freshly downloaded file; optionally a copy of the input with its image
// tags rewritten (ParseHtml2).
#pragma once

#include <map>
#include <string>

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
};

}  // namespace Tessel
