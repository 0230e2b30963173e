// SPDX-License-Identifier: MIT
#include "html/RichTextParser_Orb.h"

#include <cstring>

#include "base/buffers.h"
#include "base/hot.h"
#include "base/number.h"
#include "base/text_search.h"
#include "emoticons/emoticon_lookup.h"
#include "html/image_key_cache.h"
#include "html/image_source.h"

namespace Tessel {

namespace {

constexpr char TitleDivStart[] = "<div id=\"title_div\">";
constexpr char DivEnd[] = "</div>";
constexpr std::string_view BodyEnd = "</body>";
constexpr std::string_view QtDocumentEnd = "</body></html>";
// The byte of TitleDivStart searched for first: its rare '_'.
constexpr std::size_t TitleDivPivot = 14;
static_assert(TitleDivStart[TitleDivPivot] == '_');

// src with every "&amp;" turned into "&", written into out; a produced "&"
// never joins the bytes after it into a new match.
const std::string& unescapeAmpersands(std::string_view src, std::string& out)
{
    out.clear();
    std::size_t from = 0;
    for (std::size_t found; (found = findText(src, "&amp;", 4, from)) != std::string_view::npos;
         from = found + 5)
        out.append(src, from, found - from).push_back('&');
    return out.append(src, from, std::string_view::npos);
}

// How Qt writes an image tag around its source.
constexpr std::string_view QtImageOpen = "<img src=\"";
constexpr std::string_view QtImageClose = "\" />";

}  // namespace

RichTextParser_Orb::RichTextParser_Orb() = default;
RichTextParser_Orb::~RichTextParser_Orb() = default;

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

TESSEL_IN_LINE bool RichTextParser_Orb::firstSighting(const std::string& id)
{
    // The catalogue's records, and so the views of their ids, stay as they
    // are during a conversion: an id seen again through its record is the
    // same view.
    if (converting_ && seenEmoticons.empty()) {
        for (std::size_t i = 0; i < fewIdCount_; ++i) {
            const std::string_view few = fewIds_[i];
            if (few.size() == id.size() && (few.data() == id.data() || few == id))
                return false;
        }
        if (fewIdCount_ < FewIds) {
            fewIds_[fewIdCount_++] = id;
            return true;
        }
        for (std::string_view few : fewIds_)
            seenEmoticons.emplace(few);
        fewIdCount_ = 0;
    }
    auto seen = seenEmoticons.lower_bound(id);
    if (seen != seenEmoticons.end() && *seen == id)
        return false;
    seenEmoticons.emplace_hint(seen, id);
    return true;
}

TESSEL_IN_LINE void RichTextParser_Orb::replaceWithReference(const char* tagStart, const char* close,
                                                             std::string_view value)
{
    // A replaced tag runs through the first "/>" after its start; without
    // one it ends at its own ">", or at the end of the input.
    if (close) {
        const std::string_view before = passTag(tagStart, close + 1);
        if (!before.empty())
            body.append(before.data(), before.size());
    } else if (!replaceTag(tagStart, true)) {
        return;
    }
    if (value.find('"') == std::string_view::npos) {
        appendPieces(body, "<img id=\"", value, "\"/>");
        return;
    }
    body.append("<img id=\"");
    appendQuotedValue(body, value);
    body.append("\"/>");
}

const char* RichTextParser_Orb::qtTagClose(const char* tagStart, std::string_view src) const
{
    if (!copyPos || src.data() != tagStart + QtImageOpen.size())
        return nullptr;
    const char* const quote = src.data() + src.size();
    if (copyEnd - quote < static_cast<std::ptrdiff_t>(QtImageClose.size()) ||
        std::memcmp(quote, QtImageClose.data(), QtImageClose.size()) != 0 ||
        std::memcmp(tagStart, QtImageOpen.data(), QtImageOpen.size()) != 0)
        return nullptr;
    return quote + QtImageClose.size() - 1;
}

void RichTextParser_Orb::onImgSrc(const char* tagStart, const std::string& src)
{
    takeSource(tagStart, src, false);
}

void RichTextParser_Orb::reportImgSrc(const char* tagStart, std::string_view src)
{
    takeSource(tagStart, src, true);
}

TESSEL_HOT void RichTextParser_Orb::takeSource(const char* tagStart, std::string_view src, bool inInput)
{
    if (src.empty())
        return;
    // "&amp;" in a resource's source changes neither that it starts with
    // ":/" nor its number, which is read up to the '&': only other sources
    // are unescaped.
    if (startsWith(src, ":/")) {
        // An emoticon: the number of the resource's file name is its id,
        // the record sits at index id - 1.
        const int written = writtenEmoticonNumber(src);
        const int n = written >= 0 ? written : resourceNumber(src);
        EMOSTRUCT* record = catalogue && n >= 1 ? catalogue->getEmoByIndex(n - 1) : nullptr;
        if (!record)
            return;
        const std::size_t labelStart = text.size();
        appendPieces(text, "[", record->name, "]");
        if (firstSighting(record->id))
            emoticonList.emplace_back(record->name, std::string_view(text).substr(labelStart));
        // A tag written as Qt writes it around such a source ends at its
        // "/>", with no '>' or NUL byte before it: no search for its end.
        const char* close = inInput && written >= 0 ? qtTagClose(tagStart, src) : nullptr;
        replaceWithReference(tagStart, close, record->name);
        return;
    }

    // The unescaped source is followed by its NUL, as whatSourceNames needs.
    // A buffer grown by one huge source is not kept.
    takePicture(tagStart, unescapeAmpersands(src, source_));
    clearKeepingLittle(source_);
}

void RichTextParser_Orb::takePicture(const char* tagStart, const std::string& s)
{
    const std::string& key = keyOf(s);
    auto cached = imageCache.lower_bound(key);
    if (cached == imageCache.end() || cached->first != key) {
        const NamedPicture named = whatSourceNames(s, false);
        if (named.kind != SourceKind::file)
            return;
        cached = rememberImage(cached, key, named.path);
    }
    imageList.emplace_back(cached->first, cached->second);
    replaceWithReference(tagStart, nullptr, cached->first);
}

void RichTextParser_Orb::reportImgId(const char* tagStart, std::string_view id)
{
    if (const EMOSTRUCT* record = catalogue ? findEmoticon(*catalogue, id) : nullptr) {
        // Written straight into the output.
        if (!rebuildMode)
            appendEmoticonTag(text, *record);
        else if (replaceTag(tagStart, true))
            appendEmoticonTag(body, *record);
        return;
    }
    if (!rebuildMode)
        return;
    idKey_.assign(id.data(), id.size());
    auto cached = imageCache.find(idKey_);
    if (cached != imageCache.end() && replaceTag(tagStart, true))
        appendImageTag(body, cached->second);
}

TESSEL_IN_LINE void RichTextParser_Orb::startConversion(bool rebuild)
{
    clearKeepingLittle(text);
    clearKeepingLittle(body);
    clearKeepingLittle(emoticonList);
    clearKeepingLittle(imageList);
    copyPos = nullptr;
    rebuildMode = rebuild;
    converting_ = true;
    fewIdCount_ = 0;
}

TESSEL_IN_LINE void RichTextParser_Orb::endConversion()
{
    emptyImageCache();
    seenEmoticons.clear();
    converting_ = false;
}

void RichTextParser_Orb::convertMessage(const std::string& html)
{
    startConversion(false);

    // The stretch from the first "<body" up to the last "</body>". A message
    // without a body element is taken whole as the content of a bare
    // "<body>"; one without "</body>" after its start runs to its end.
    // Found through its 'b', which the head that Qt writes first lacks: the
    // search passes over that head in one step without its being compared.
    std::size_t start = findText(html, "<body", 1);
    bool hasBody = start != std::string::npos;
    if (!hasBody)
        start = 0;
    // Qt ends a document with "</body></html>", whose "</body>" is the last
    // one: no search for it.
    std::size_t end =
        endsWith(html, QtDocumentEnd) ? html.size() - QtDocumentEnd.size() : findLastText(html, BodyEnd);
    const bool closed = end != std::string::npos && end >= start;
    if (!closed)
        end = html.size();
    // The stretch is parsed in place: the tokenizer reads no further than its
    // end, and the search for the end of a replaced tag stops there too, as
    // it would at the NUL of a copy.
    const char* stretch = html.data() + start;
    const std::size_t length = end - start;

    // The title div goes right after the first ">" of the body: that of a
    // bare "<body>", else the first one of the stretch, which is part of
    // the body start tag or comes before it ends, so no replaced tag
    // precedes it. A stretch without any ">" gets it after the "</body>".
    const std::size_t headLength = headTitle.size() + headSender.size() + headDate.size();
    // Mostly there already: the body kept from the message before.
    if (body.capacity() < length + 96 + headLength)
        body.reserve(length + 96 + headLength);
    beginCopy(stretch, stretch + length);
    const char* firstClose =
        hasBody ? static_cast<const char*>(std::memchr(stretch, '>', length)) : nullptr;
    if (!hasBody) {
        appendTitleDiv("<body>");
    } else if (firstClose) {
        copyPos = firstClose + 1;
        appendTitleDiv(std::string_view(stretch, static_cast<std::size_t>(copyPos - stretch)));
    }
    HtmlParser::parse(stretch, length);
    // The "</body>" that ends the stretch in the input is copied with the
    // rest of it.
    const char* const rest = copyPos ? copyPos : copyEnd;
    body.append(rest, static_cast<std::size_t>(copyEnd - rest) + (closed ? BodyEnd.size() : 0));
    if (!closed)
        body.append(BodyEnd.data(), BodyEnd.size());
    if (hasBody && !firstClose)
        appendTitleDiv({});

    copyPos = nullptr;
    copyEnd = nullptr;
    endConversion();
}

void RichTextParser_Orb::appendTitleDiv(std::string_view before)
{
    appendPieces(body, before, TitleDivStart, "<h1 id=\"title\">", headTitle, "</h1><span id=\"sender\">",
                 headSender, "</span><span id=\"date\">", headDate, "</span></div>");
}

void RichTextParser_Orb::loadImageList(const StringPairList& images)
{
    // The first pair of a key counts, as with emplace; the nodes are those
    // kept from earlier conversions.
    for (const auto& pair : images) {
        const auto at = imageCache.lower_bound(pair.first);
        if (at == imageCache.end() || at->first != pair.first)
            rememberImage(at, pair.first, pair.second);
    }
}

namespace {

// Whether a body's stretch before its title div is a body start tag that the
// tokenizer reads whole and acts on in no way: "<body>", or one style value
// as Qt writes it. Parsed after such a tag, the rest of the body gives what
// it gives after the tag in one piece.
bool isPlainBodyTag(std::string_view tag)
{
    constexpr std::string_view Bare = "<body>";
    constexpr std::string_view Styled = "<body style=\"";
    if (tag == Bare)
        return true;
    if (tag.size() < Styled.size() + 2 || !startsWith(tag, Styled) || tag.substr(tag.size() - 2) != "\">")
        return false;
    const std::string_view value = tag.substr(Styled.size(), tag.size() - Styled.size() - 2);
    return value.find('"') == std::string_view::npos;
}

}  // namespace

void RichTextParser_Orb::rebuildHtml(const std::string& source)
{
    startConversion(true);

    // The source is parsed without its title div. Where the div follows a
    // plain body tag, as in the bodies convertMessage makes, the tag is
    // copied and the rest parsed where it stands; elsewhere a copy without
    // the div is parsed. A title div without its "</div>" is left in place
    // rather than cutting off the rest of the message.
    const std::size_t div = findText(source, TitleDivStart, TitleDivPivot);
    const std::size_t divEnd = div == std::string::npos ? div : findText(source, DivEnd, 4, div);
    std::string copy;
    std::string_view rest = source;
    if (divEnd != std::string::npos) {
        const std::size_t after = divEnd + sizeof DivEnd - 1;
        if (isPlainBodyTag(std::string_view(source).substr(0, div))) {
            body.reserve(div + (source.size() - after) * 5 / 4);
            body.append(source, 0, div);
            rest = std::string_view(source).substr(after);
        } else {
            copy.reserve(source.size() - (after - div));
            copy.append(source, 0, div).append(source, after, std::string::npos);
            rest = copy;
        }
    }

    // Both the source and the copy are followed by a NUL, where the search
    // for a replaced tag's end stops as at the end.
    if (body.empty())
        body.reserve(rest.size() + rest.size() / 4);
    // The text of a body is mostly a fifth of it or less: room for a quarter
    // spares the doublings that would leave up to twice the text reserved.
    if (text.capacity() < rest.size() / 4)
        text.reserve(rest.size() / 4);
    beginCopy(rest.data(), rest.data() + rest.size());
    HtmlParser::parse(rest.data(), rest.size());
    if (copyPos)
        body.append(copyPos, static_cast<std::size_t>(copyEnd - copyPos));
    copyPos = nullptr;
    copyEnd = nullptr;
    endConversion();
}

void RichTextParser_Orb::emoticonText(const std::string& source)
{
    startConversion(false);
    HtmlParser::parse(source.data(), source.size());
    endConversion();
}

}  // namespace Tessel
