// SPDX-License-Identifier: MIT
// Calls every function that the installed headers declare, so that a
// declaration without an exported definition fails to link. install_test.sh
// checks that each declared name is called here. Usage: every_function
// CATALOGUE CACHE_DIR (the sample catalogue); exits non-zero on a wrong
// answer.
#include <cstdint>
#include <iostream>
#include <string>

#include <tessel/tessel.h>

namespace {

int failures = 0;

void expect(bool condition, const char* what)
{
    if (!condition) {
        std::cerr << "every_function: " << what << '\n';
        ++failures;
    }
}

void onResult(int code, const char* data, int length, std::int64_t user)
{
    if (code == 1)
        reinterpret_cast<std::string*>(user)->assign(data, static_cast<std::size_t>(length));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::cerr << "usage: every_function CATALOGUE CACHE_DIR\n";
        return 2;
    }
    expect(Tessel::Init("", argv[1]), "Init");
    expect(!Tessel::SetCachePath(argv[2]), "SetCachePath returns false");
    expect(Tessel::SetDownloadLimits(1 << 20, 5000), "SetDownloadLimits");

    const std::string html = "<body>Hi <img src=\":/Res/FaceMgr/em/1.png\"/></body>";
    std::string text, rewritten, rich, body;
    expect(Tessel::ParseHtml("Tom &amp; Jerry", onResult, reinterpret_cast<std::int64_t>(&text), false) &&
               text == "Tom & Jerry",
           "ParseHtml gives decoded plain text for a message without markup");
    expect(Tessel::ParseHtml2(rewritten, html, nullptr, 0), "ParseHtml2");
    expect(!Tessel::GetText(rich) && rich.find("<img src=\":/Res/FaceMgr/em/1.png\"/>") != std::string::npos,
           "GetText after ParseHtml2");

    expect(Tessel::SetCustomHead("t", "s", "d"), "SetCustomHead");
    expect(Tessel::ParseHtml_Orb(html), "ParseHtml_Orb");
    expect(!Tessel::GetBody(body) && body.find("<img id=\"smile\"/>") != std::string::npos, "GetBody");
    Tessel::StringPairList emoticons, images;
    expect(Tessel::GetEChVector(emoticons) && emoticons.size() == 1 && emoticons[0].second == "[smile]",
           "GetEChVector");
    expect(Tessel::GetImageVector(images) && images.empty(), "GetImageVector");
    std::string html2, paragraph;
    expect(Tessel::HtmlFromBody(html2, body, images) &&
               html2.find("<img src=\":/Res/FaceMgr/em/1.png\"/>") != std::string::npos,
           "HtmlFromBody");
    expect(Tessel::EChTextFromBody("<body><img id=\"smile\"/></body>", paragraph) &&
               paragraph.find(":/Res/FaceMgr/em/1.png") != std::string::npos,
           "EChTextFromBody");

    EMOSTRUCT* first = Tessel::EChStructFromIndex(0);
    expect(first && first->id == "1" && first->name == "smile", "EChStructFromIndex");
    expect(Tessel::IsClassicECh("1"), "IsClassicECh");
    expect(Tessel::EChPathFromName("smile") == "<img src=\":/Res/FaceMgr/em/1.png\"/>", "EChPathFromName");
    expect(Tessel::EChPathFromId("7") == ":/Res/FaceMgr/em/7.png", "EChPathFromId");
    expect(Tessel::getClassicPtr() == first && Tessel::getClassicCount() > 0,
           "getClassicPtr, getClassicCount");
    expect((Tessel::getOtherPtr() != nullptr) == (Tessel::getOtherCount() > 0), "getOtherPtr, getOtherCount");

    // The catalogue class, as a client may use it on its own.
    EmoticonCache cache(argv[1]);
    EmoticonCache copy(cache);
    EmoticonCache assigned(argv[1]);
    assigned = copy;
    expect(assigned.getEmoByIndex(0) && assigned.getEmoByIndex(0)->name == "smile", "getEmoByIndex");
    expect(assigned.getPathFromName("smile") == Tessel::EChPathFromName("smile"), "getPathFromName");
    expect(assigned.getPathFromId("2") == ":/Res/FaceMgr/em/2.png", "getPathFromId");
    expect(assigned.getClassicCount() == Tessel::getClassicCount() &&
               assigned.getOtherCount() == Tessel::getOtherCount(),
           "getClassicCount, getOtherCount");
    expect(assigned.getClassicPtr() != cache.getClassicPtr() &&
               (assigned.getOtherPtr() == nullptr) == (cache.getOtherPtr() == nullptr),
           "getClassicPtr, getOtherPtr");

    expect(std::to_string(TESSEL_VERSION_MAJOR) + "." + std::to_string(TESSEL_VERSION_MINOR) + "." +
                   std::to_string(TESSEL_VERSION_PATCH) ==
               TESSEL_VERSION_STRING,
           "version macros agree");
    return failures == 0 ? 0 : 1;
}
