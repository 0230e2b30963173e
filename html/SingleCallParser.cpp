// SPDX-License-Identifier: MIT
#include "html/SingleCallParser.h"

#include <cstring>
#include <memory>

#include "base/buffers.h"
#include "base/hot.h"
#include "base/markup.h"
#include "download/ImageDownloader.h"

namespace Tessel {

struct SingleCallParser::Kept {
    std::unique_ptr<SingleCallParser> parser;
    bool inUse = false;
};

thread_local SingleCallParser::Kept SingleCallParser::threadParser_;

TESSEL_HOT SingleCallParser::Lease::Lease()
{
    Kept& own = threadParser_;
    if (own.inUse) {
        parser_ = new SingleCallParser();
        return;
    }
    if (!own.parser)
        own.parser = std::make_unique<SingleCallParser>();
    own.inUse = true;
    parser_ = own.parser.get();
    kept_ = &own;
}

TESSEL_HOT SingleCallParser::Lease::~Lease()
{
    if (!kept_) {
        delete parser_;
        return;
    }
    parser_->reset();
    kept_->inUse = false;
}

TESSEL_HOT void SingleCallParser::reset()
{
    delete downloader;
    downloader = nullptr;
    resourceImagesOnly = false;
    clearKeepingLittle(text);
    sources_.clear();
    memory_.clear();
}

TESSEL_HOT void SingleCallParser::parse(const char* data, std::size_t length)
{
    parseScanned(data, length, scanMessage(data, length));
}

TESSEL_HOT void SingleCallParser::parseScanned(const char* data, std::size_t length, const MessageScan& scan)
{
    // The tags written in an earlier run went with its text.
    ++run_;
    if (downloader)
        downloader->beginCall();
    TextParser::parseScanned(data, length, scan);
}

void SingleCallParser::onImgSrc(const char* tagStart, const std::string& value)
{
    reportImgSrc(tagStart, value);
}

TESSEL_HOT void SingleCallParser::reportImgSrc(const char* tagStart, std::string_view value)
{
    if (!wanted(value))
        return;
    SourceTable::Picture* known = sources_.find(value);
    if (!known) {
        known = resolveSource(tagStart, value);
        if (!known)
            return;
    } else if (known->run == run_) {
        // The text only grows during a run: the tag is still where it was written.
        text.append(text, known->tagAt, known->tagLength);
        return;
    }
    known->tagAt = text.size();
    appendImageTag(text, known->path);
    known->tagLength = text.size() - known->tagAt;
    known->run = run_;
}

TESSEL_HOT SourceTable::Picture* SingleCallParser::resolveSource(const char* tagStart, std::string_view src)
{
    // Resolving announces a tail of the source, which must end in a NUL. A
    // source that fails is tried again when met again, as with imageCache;
    // its copies, together no larger than the message, last until the end
    // of the call.
    const std::string_view source = keep(src);
    std::string downloaded;
    std::string_view path;
    if (!resolve(tagStart, source, downloaded, path))
        return nullptr;
    // The path is a tail of the source, or a downloaded file's path, kept too.
    if (!downloaded.empty() && path.data() == downloaded.data())
        path = keep(path);
    return &sources_.insert(source, path);
}

TESSEL_HOT std::string_view SingleCallParser::keep(std::string_view bytes)
{
    char* copy = static_cast<char*>(memory_.allocate(bytes.size() + 1, 1));
    if (!bytes.empty())
        std::memcpy(copy, bytes.data(), bytes.size());
    copy[bytes.size()] = '\0';
    return std::string_view(copy, bytes.size());
}

}  // namespace Tessel
