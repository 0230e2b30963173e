// SPDX-License-Identifier: MIT
// ParseHtml2 and ParseHtml over arbitrary bytes, with resource and local
// pictures only: "http://" never reaches the downloader.
#include <cstdint>
#include <string>

#include "api/state.h"
#include "fixture.h"
#include "fs/filesystem.h"
#include "html/RichTextParser.h"
#include "tessel/tessel.h"

namespace {

using fuzzing::require;

// Every call, as "code:value|".
std::string calls;

// Code 2 announces a resource or an existing file; code 1 comes from
// ParseHtml only.
void callback(int code, const char* data, int length, std::int64_t user)
{
    require(user == 42);
    fuzzing::checkBuffer(data, length);
    const std::string value(data, static_cast<std::size_t>(length));
    calls += std::to_string(code) + ":" + value + "|";
    if (code == 2)
        require(value.compare(0, 2, ":/") == 0 || Tessel::isFile(Tessel::Path(value)));
    else
        require(code == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzzing::initLibrary();
    const std::string html = fuzzing::withoutHttp(std::string(reinterpret_cast<const char*>(data), size));

    std::string out;
    require(Tessel::ParseHtml2(out, html, callback, 42));
    std::string body;
    std::string text;
    Tessel::GetBody(body);
    Tessel::GetText(text);
    require(body == out);
    // No source reached the downloader.
    require(Tessel::RichParser.load()->downloader == nullptr);

    // The plain rich text of the same message, with and without pictures.
    calls.clear();
    require(Tessel::ParseHtml(html, callback, 42, size % 2 == 0));
    std::string again;
    Tessel::GetText(again);
    require(again == text);

    // ParseHtml's own parser remembers sources its own way; it must announce
    // and write what an ordinary rich-text parser does.
    const std::string viaCall = calls;
    calls.clear();
    Tessel::RichTextParser ordinary;
    ordinary.announcer = Tessel::Announcer{callback, 42};
    ordinary.resourceImagesOnly = size % 2 == 0;
    ordinary.parse(html.data(), html.size());
    calls += "1:" + ordinary.text + "|";
    require(calls == viaCall);
    return 0;
}
