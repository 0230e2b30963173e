// SPDX-License-Identifier: MIT
// The message-body entry points over the library-wide body parser.
#include "api/state.h"
#include "html/HtmlParser.h"
#include "html/RichTextParser_Orb.h"

namespace Tessel {

namespace {

// The body parser, looking emoticons up in the catalogue of the moment.
RichTextParser_Orb& bodyParser()
{
    BodyParser->catalogue = Catalogue.load();
    return *BodyParser;
}

}  // namespace

bool ParseHtml_Orb(const std::string& html)
{
    ExclusiveCall exclusive;
    if (!exclusive || !BodyParser)
        return false;
    CurrentParser.store(BodyParser);
    bodyParser().convertMessage(html);
    return true;
}

bool SetCustomHead(const std::string& title, const std::string& sender, const std::string& date)
{
    ExclusiveCall exclusive;
    if (!exclusive || !BodyParser)
        return false;
    BodyParser->SetCustomHead(title, sender, date);
    return true;
}

bool GetEChVector(StringPairList& out)
{
    ExclusiveCall exclusive;
    if (!exclusive || !BodyParser)
        return false;
    out = BodyParser->emoticonList;
    return true;
}

bool GetImageVector(StringPairList& out)
{
    ExclusiveCall exclusive;
    if (!exclusive || !BodyParser)
        return false;
    out = BodyParser->imageList;
    return true;
}

bool EChTextFromBody(const std::string& source, std::string& out)
{
    ExclusiveCall exclusive;
    if (!exclusive)
        return false;
    if (!BodyParser)
        return true;
    RichTextParser_Orb& parser = bodyParser();
    parser.emoticonText(source);
    const std::string& text = parser.text;
    std::string result;
    result.reserve(ParagraphPrefixLength + text.size() + 4);
    result.append(ParagraphPrefix, ParagraphPrefixLength).append(text).append(ParagraphSuffix);
    out = std::move(result);
    return true;
}

bool HtmlFromBody(std::string& out, const std::string& source, const StringPairList& images)
{
    ExclusiveCall exclusive;
    if (!exclusive || !BodyParser)
        return false;
    RichTextParser_Orb& parser = bodyParser();
    parser.loadImageList(images);
    parser.rebuildHtml(source);
    out = parser.body;
    return true;
}

}  // namespace Tessel
