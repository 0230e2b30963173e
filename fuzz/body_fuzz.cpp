// SPDX-License-Identifier: MIT
// Message bodies over arbitrary bytes: ParseHtml_Orb, then HtmlFromBody with
// the produced picture list and EChTextFromBody on what comes out; and the
// same two on the raw bytes, as a body received from elsewhere.
#include <cstdint>
#include <cstring>
#include <string>

#include "fixture.h"
#include "fs/filesystem.h"
#include "html/HtmlParser.h"
#include "tessel/tessel.h"

namespace {

using fuzzing::require;

bool endsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool isKey(const std::string& key)
{
    return key.size() == 32 && key.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// EChTextFromBody always gives one Qt paragraph.
void checkParagraph(const std::string& source)
{
    std::string paragraph;
    require(Tessel::EChTextFromBody(source, paragraph));
    require(paragraph.compare(0, Tessel::ParagraphPrefixLength, Tessel::ParagraphPrefix) == 0);
    require(endsWith(paragraph, "</p>"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzing::initLibrary();
    static const bool head = Tessel::SetCustomHead("Title", "Sender", "Date");
    (void)head;
    const std::string html(reinterpret_cast<const char*>(data), size);

    require(Tessel::ParseHtml_Orb(html));
    std::string body;
    Tessel::GetBody(body);
    Tessel::StringPairList emoticons;
    Tessel::StringPairList images;
    require(Tessel::GetEChVector(emoticons) && Tessel::GetImageVector(images));

    // The body is the body element with its title div (which follows the
    // first '>', the one of "</body>" when the start tag is cut short);
    // every listed picture is an existing file under its key, every label
    // is its bracketed name.
    require(body.compare(0, 5, "<body") == 0 && body.find("</body>") != std::string::npos);
    require(body.find("<div id=\"title_div\"><h1 id=\"title\">Title</h1>") != std::string::npos);
    for (const auto& image : images)
        require(isKey(image.first) && Tessel::isFile(Tessel::Path(image.second)));
    for (const auto& emoticon : emoticons)
        require(emoticon.second == "[" + emoticon.first + "]");

    std::string rebuilt;
    require(Tessel::HtmlFromBody(rebuilt, body, images));
    checkParagraph(body);
    checkParagraph(rebuilt);

    std::string raw;
    require(Tessel::HtmlFromBody(raw, html, images));
    checkParagraph(html);
    return 0;
}
