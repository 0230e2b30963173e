// Everything the library makes of one message that a client shows with Qt.
#pragma once

#include <string>
#include <vector>

#include "api/tessel.h"

namespace qtcheck {

struct LibraryOutputs {
    std::string richText;                // ParseHtml: the text of callback code 1
    std::vector<std::string> announced;  // ParseHtml: the paths of callback code 2
    std::string resourceRichText;        // ParseHtml with resourceImagesOnly
    std::string rewritten;               // ParseHtml2: the message with local pictures
    std::string richText2;               // GetText after ParseHtml2
    std::string body;                    // GetBody after ParseHtml_Orb
    Tessel::StringPairList images;       // GetImageVector after ParseHtml_Orb
    std::string rebuilt;                 // HtmlFromBody(body, images)
    std::string paragraph;               // EChTextFromBody(body)
};

// Runs every conversion over message. The library must have been initialised.
LibraryOutputs runLibrary(const std::string& message);

}  // namespace qtcheck
