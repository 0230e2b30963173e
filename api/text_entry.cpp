// SPDX-License-Identifier: MIT
// Library start-up and the text entry points.
#include "api/state.h"
#include "base/hot.h"
#include "html/RichTextParser.h"
#include "html/RichTextParser_Orb.h"
#include "html/SingleCallParser.h"
#include "html/message_scan.h"

namespace Tessel {

bool Init(const char* root, const char* catalogue)
{
    ExclusiveCall exclusive;
    if (!exclusive)
        return false;
    RootPath = root ? root : "";
    if (!RichParser.load()) {
        auto* parser = new RichTextParser();
        parser->downloadSettings = &Downloads;
        RichParser.store(parser);
    }
    if (!BodyParser)
        BodyParser = new RichTextParser_Orb();
    // The catalogue is set only once its constructor returns; an exception
    // leaves it null so that the next Init tries again.
    if (!Catalogue.load())
        Catalogue.store(new EmoticonCache(catalogue ? catalogue : ""));
    return true;
}

bool SetCachePath(const char* path)
{
    // A path that does not fit 260 bytes with its terminator is refused and
    // the previous cache directory stays; a null path clears it.
    Downloads.setCacheDirectory(path);
    return false;
}

bool SetDownloadLimits(std::uint64_t maxPictureBytes, std::uint32_t maxCallMilliseconds)
{
    Downloads.setLimits(DownloadLimits{maxPictureBytes, maxCallMilliseconds});
    return true;
}

// Safe on any number of threads at once: each thread converts with a parser
// of its own, which carries this call's callback and user value.
TESSEL_HOT bool ParseHtml(const std::string& html, ParseCallback callback, std::int64_t user,
                          bool resourceImagesOnly)
{
    RichTextParser* rich = RichParser.load(std::memory_order_acquire);
    if (!rich)
        return false;
    // Stored only when it changes, so that threads do not contend for it.
    if (CurrentParser.load(std::memory_order_relaxed) != rich)
        CurrentParser.store(rich, std::memory_order_relaxed);

    // A message without markup or references is its own text: it is
    // announced where it stands, without a parser or a copy (the NUL that
    // ends a std::string's bytes follows it, as the client may rely on).
    const MessageScan scan = scanMessage(html.data(), html.size());
    if (!scan.angle && !scan.ampersand) {
        Announcer{callback, user}.text(withoutLeadingSpace(html));
        return true;
    }

    SingleCallParser::Lease parser;
    parser->announcer = Announcer{callback, user};
    parser->downloadSettings = &Downloads;
    parser->resourceImagesOnly = resourceImagesOnly;
    parser->parseScanned(html.data(), html.size(), scan);
    parser->announcer.text(parser->text);
    return true;
}

bool ParseHtml2(std::string& out, const std::string& html, ParseCallback callback,
                std::int64_t user)
{
    ExclusiveCall exclusive;
    RichTextParser* rich = RichParser.load();
    if (!exclusive || !rich)
        return false;
    CurrentParser.store(rich);
    rich->announcer = Announcer{callback, user};

    rich->setKeepBody(true);
    rich->parseToBody(html);
    rich->setKeepBody(false);
    out = rich->body;
    return true;
}

bool GetText(std::string& out)
{
    ExclusiveCall exclusive;
    if (exclusive) {
        if (const HtmlParser* current = CurrentParser.load())
            out = current->text;
    }
    return false;
}

bool GetBody(std::string& out)
{
    ExclusiveCall exclusive;
    if (exclusive) {
        if (const HtmlParser* current = CurrentParser.load())
            out = current->body;
    }
    return false;
}

}  // namespace Tessel
