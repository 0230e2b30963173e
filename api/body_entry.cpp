// The message-body entry points over the library-wide body parser.
#include "api/state.h"
#include "html/HtmlParser.h"
#include "html/RichTextParser_Orb.h"

namespace Tessel {

bool ParseHtml_Orb(const std::string& html)
{
    if (!BodyParser)
        return false;
    CurrentParser = BodyParser;
    BodyParser->convertMessage(html);
    return true;
}

bool SetCustomHead(const std::string& title, const std::string& sender, const std::string& date)
{
    if (!BodyParser)
        return false;
    BodyParser->SetCustomHead(title, sender, date);
    return true;
}

bool GetEChVector(StringPairList& out)
{
    if (!BodyParser)
        return false;
    out = BodyParser->emoticonList;
    return true;
}

bool GetImageVector(StringPairList& out)
{
    if (!BodyParser)
        return false;
    out = BodyParser->imageList;
    return true;
}

bool EChTextFromBody(const std::string& source, std::string& out)
{
    if (!BodyParser)
        return true;
    BodyParser->emoticonText(source);
    const std::string& text = BodyParser->text;
    std::string result;
    result.reserve(ParagraphPrefixLength + text.size() + 4);
    result.append(ParagraphPrefix, ParagraphPrefixLength).append(text).append(ParagraphSuffix);
    out = std::move(result);
    return true;
}

bool HtmlFromBody(std::string& out, const std::string& source, const StringPairList& images)
{
    if (!BodyParser)
        return false;
    BodyParser->loadImageList(images);
    BodyParser->rebuildHtml(source);
    out = BodyParser->body;
    return true;
}

}  // namespace Tessel
