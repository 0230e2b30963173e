#include "html/RichTextParser_Orb.h"

#include <cstring>

#include "api/state.h"
#include "emoticons/EmoticonCache.h"
#include "emoticons/number.h"
#include "fs/filesystem.h"
#include "html/image_source.h"
#include "html/md5.h"

namespace Tessel {

namespace {

const char TitleDivStart[] = "<div id=\"title_div\">";
const char DivEnd[] = "</div>";

std::string referenceTag(const std::string& value)
{
    std::string tag;
    tag.reserve(value.size() + 13);
    tag.append("<img id=\"", 9).append(value).append("\"/>", 3);
    return tag;
}

// src with every "&amp;" turned into "&"; a produced "&" never joins the
// bytes after it into a new match.
std::string unescapeAmpersands(const std::string& src)
{
    std::size_t found = src.find("&amp;");
    if (found == std::string::npos)
        return src;
    std::string s;
    s.reserve(src.size());
    std::size_t from = 0;
    do {
        s.append(src, from, found - from).push_back('&');
        from = found + 5;
        found = src.find("&amp;", from);
    } while (found != std::string::npos);
    s.append(src, from, std::string::npos);
    return s;
}

}  // namespace

RichTextParser_Orb::RichTextParser_Orb() = default;
RichTextParser_Orb::~RichTextParser_Orb() = default;

// A replaced tag runs through the first "/>" after its start. Without one
// it ends at its own ">", or at the end of the input, so nothing after the
// tag is lost.
const char* RichTextParser_Orb::pastReplacedTag(const char* tagStart)
{
    const char* found = selfClose_.find(tagStart);
    return *found ? found + 2 : pastTagEnd(tagStart);
}

void RichTextParser_Orb::replaceTag(const char* tagStart, const std::string& replacement)
{
    // Without a copy (emoticonText) there is no end of the tag to look for.
    if (copyPos)
        replaceInCopy(tagStart, pastReplacedTag(tagStart), replacement.data(), replacement.size());
}

bool RichTextParser_Orb::wantParagraphs()
{
    return false;
}

void RichTextParser_Orb::SetCustomHead(const std::string& title, const std::string& sender,
                                       const std::string& date)
{
    headTitle = title;
    headSender = sender;
    headDate = date;
}

void RichTextParser_Orb::onImgSrc(const char* tagStart, const std::string& src)
{
    if (src.empty())
        return;
    std::string s = unescapeAmpersands(src);

    if (startsWith(s, ":/")) {
        // An emoticon: the number of the resource's file name is its id,
        // the record sits at index id - 1.
        int n = readNumber(Path(s).filename().str().c_str());
        EMOSTRUCT* record = Catalogue && n >= 1 ? Catalogue->getEmoByIndex(n - 1) : nullptr;
        if (!record)
            return;
        std::string label;
        label.reserve(record->name.size() + 2);
        label.append(1, '[').append(record->name).append(1, ']');
        text.append(label);
        if (seenEmoticons.insert(record->id).second)
            emoticonList.emplace_back(record->name, label);
        replaceTag(tagStart, referenceTag(record->name));
        return;
    }

    std::string key = imageKey(s);
    auto cached = imageCache.find(key);
    if (cached == imageCache.end()) {
        std::string path = localPathOfSource(s);
        if (!isFile(Path(path)))
            return;
        cached = imageCache.emplace(key, std::move(path)).first;
    }
    imageList.emplace_back(key, cached->second);
    replaceTag(tagStart, referenceTag(key));
}

void RichTextParser_Orb::onImgId(const char* tagStart, const std::string& id)
{
    if (Catalogue) {
        std::string tag = Catalogue->getPathFromName(id);
        if (!tag.empty()) {
            if (rebuildMode)
                replaceTag(tagStart, tag);
            else
                text.append(tag);
            return;
        }
    }
    if (!rebuildMode)
        return;
    auto cached = imageCache.find(id);
    if (cached == imageCache.end())
        return;
    std::string tag;
    appendImageTag(tag, cached->second);
    replaceTag(tagStart, tag);
}

void RichTextParser_Orb::startConversion(bool rebuild)
{
    text.clear();
    body.clear();
    emoticonList.clear();
    imageList.clear();
    startCopy(nullptr);
    selfClose_.restart();
    rebuildMode = rebuild;
}

void RichTextParser_Orb::endConversion()
{
    imageCache.clear();
    seenEmoticons.clear();
}

void RichTextParser_Orb::convertMessage(const std::string& html)
{
    startConversion(false);

    // The stretch from the first "<body" up to the last "</body>". A message
    // without a body element is taken whole as the content of a bare
    // "<body>"; one without "</body>" after its start runs to its end.
    std::size_t start = html.find("<body");
    bool hasBody = start != std::string::npos;
    if (!hasBody)
        start = 0;
    std::size_t end = html.rfind("</body>");
    if (end == std::string::npos || end < start)
        end = html.size();
    // The tokenizer and the handlers need the stretch to end in a NUL byte.
    std::string stretch(html, start, end - start);

    body.reserve(stretch.size() + 96 + headTitle.size() + headSender.size() + headDate.size());
    if (!hasBody)
        body.append("<body>");
    startCopy(stretch.c_str());
    HtmlParser::parse(stretch.data(), stretch.size());
    if (copyPos)
        body.append(copyPos, stretch.data() + stretch.size() - copyPos);
    body.append("</body>");

    std::string titleDiv;
    titleDiv.reserve(88 + headTitle.size() + headSender.size() + headDate.size());
    titleDiv.append(TitleDivStart)
        .append("<h1 id=\"title\">")
        .append(headTitle)
        .append("</h1>")
        .append("<span id=\"sender\">")
        .append(headSender)
        .append("</span>")
        .append("<span id=\"date\">")
        .append(headDate)
        .append("</span></div>");
    std::size_t close = body.find('>');
    body.insert(close == std::string::npos ? body.size() : close + 1, titleDiv);

    copyPos = nullptr;
    endConversion();
}

void RichTextParser_Orb::loadImageList(const StringPairList& images)
{
    for (const auto& pair : images)
        imageCache.insert(pair);
}

void RichTextParser_Orb::rebuildHtml(const std::string& source)
{
    startConversion(true);

    std::string copy = source;
    std::size_t div = copy.find(TitleDivStart);
    if (div != std::string::npos) {
        // A title div without its "</div>" is left in place rather than
        // cutting off the rest of the message.
        std::size_t divEnd = copy.find(DivEnd, div);
        if (divEnd != std::string::npos)
            copy.erase(div, divEnd - div + sizeof DivEnd - 1);
    }

    body.reserve(copy.size() + copy.size() / 4);
    startCopy(copy.c_str());
    HtmlParser::parse(copy.data(), copy.size());
    if (copyPos)
        body.append(copyPos, copy.data() + copy.size() - copyPos);
    copyPos = nullptr;
    endConversion();
}

void RichTextParser_Orb::emoticonText(const std::string& source)
{
    startConversion(false);
    HtmlParser::parse(source.data(), source.size());
    endConversion();
}

}  // namespace Tessel
