// SPDX-License-Identifier: MIT
#include "LibraryCalls.h"

#include <cstdint>
#include <mutex>
#include <stdexcept>

#include "Utf8.h"

namespace TesselQt {
namespace LibraryCalls {

namespace {

// Every call of every renderer of the process holds it, so that calls never
// overlap whatever the library allows.
std::mutex callLock;

void check(bool accepted, const char* entryPoint)
{
    if (!accepted)
        throw std::runtime_error(std::string(entryPoint) +
                                 " refused the call: Tessel is not initialised, or another call "
                                 "into it is in progress");
}

void collect(int code, const char* data, int length, std::int64_t user)
{
    auto* rendering = reinterpret_cast<Rendering*>(static_cast<std::intptr_t>(user));
    if (code == 1)
        rendering->richText = QString::fromUtf8(data, length);
    else if (code == 2)
        rendering->pictures.append(QString::fromUtf8(data, length));
}

}  // namespace

void initialize(const std::string& catalogue, const std::string& root)
{
    std::lock_guard<std::mutex> lock(callLock);
    bool accepted;
    try {
        accepted = Tessel::Init(root.c_str(), catalogue.c_str());
    } catch (const std::exception& error) {
        // Only the catalogue's loading throws.
        throw std::runtime_error("cannot load the emoticon catalogue: " + std::string(error.what()));
    }
    check(accepted, "Tessel::Init");
}

void setCachePath(const std::string& directory)
{
    std::lock_guard<std::mutex> lock(callLock);
    Tessel::SetCachePath(directory.c_str());  // returns false in every case
}

Rendering render(const std::string& html, bool resourcePicturesOnly)
{
    Rendering rendering;
    std::lock_guard<std::mutex> lock(callLock);
    check(Tessel::ParseHtml(html, collect, reinterpret_cast<std::intptr_t>(&rendering), resourcePicturesOnly),
          "Tessel::ParseHtml");
    return rendering;
}

MessageBody toBody(const std::string& html, const MessageHead& head)
{
    std::string body;
    Tessel::StringPairList emoticons, images;
    {
        std::lock_guard<std::mutex> lock(callLock);
        check(Tessel::SetCustomHead(toUtf8(head.title), toUtf8(head.sender), toUtf8(head.date)),
              "Tessel::SetCustomHead");
        check(Tessel::ParseHtml_Orb(html), "Tessel::ParseHtml_Orb");
        Tessel::GetBody(body);  // returns false in every case
        check(Tessel::GetEChVector(emoticons), "Tessel::GetEChVector");
        check(Tessel::GetImageVector(images), "Tessel::GetImageVector");
    }
    return {fromUtf8(body), fromUtf8(emoticons), fromUtf8(images)};
}

QString fromBody(const std::string& body, const Tessel::StringPairList& images)
{
    std::string html;
    {
        std::lock_guard<std::mutex> lock(callLock);
        check(Tessel::HtmlFromBody(html, body, images), "Tessel::HtmlFromBody");
    }
    return fromUtf8(html);
}

QString toParagraph(const std::string& body)
{
    std::string paragraph;
    {
        std::lock_guard<std::mutex> lock(callLock);
        check(Tessel::EChTextFromBody(body, paragraph), "Tessel::EChTextFromBody");
    }
    return fromUtf8(paragraph);
}

}  // namespace LibraryCalls
}  // namespace TesselQt
