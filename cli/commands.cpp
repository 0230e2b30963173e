// SPDX-License-Identifier: MIT
#include "cli/commands.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "cli/catalogue.h"
#include "cli/image_list.h"
#include "cli/io.h"
#include "tessel/tessel.h"

namespace tool {

namespace {

using Json = nlohmann::json;

// What a library call's callback needs: the text of ParseHtml arrives with
// code 1, each picture made ready with code 2.
struct Call {
    bool quiet = false;
    std::string* text = nullptr;
    bool truncated = false;  // a result too long for the callback's int length
};

void onResult(int code, const char* data, int length, std::int64_t user)
{
    Call& call = *reinterpret_cast<Call*>(static_cast<std::intptr_t>(user));
    if (length < 0) {
        call.truncated = true;
    } else if (code == 2 && !call.quiet) {
        std::string line = "picture: " + std::string(data, static_cast<std::size_t>(length)) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
    } else if (code == 1 && call.text) {
        call.text->assign(data, static_cast<std::size_t>(length));
    }
}

std::int64_t userValue(Call& call)
{
    return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(&call));
}

void checkResult(const Call& call)
{
    if (call.truncated)
        throw Failure("the result is larger than the library can hand over (2 GiB)");
}

std::string defaultCacheDirectory()
{
#if defined(_WIN32)
    if (const char* local = std::getenv("LOCALAPPDATA"); local && *local)
        return std::string(local) + "\\tessel";
#endif
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg)
        return std::string(xdg) + "/tessel";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.cache/tessel";
    return "tessel-cache";
}

void start(const Arguments& arguments)
{
    loadCatalogue(arguments.catalogue);
    // The library keeps the cache path in a buffer of 260 bytes with its
    // terminator and ignores a longer one.
    constexpr std::size_t maxCachePath = 259;
    std::string cache = arguments.cache.empty() ? defaultCacheDirectory() : arguments.cache;
    if (cache.size() > maxCachePath)
        throw Failure("cache directory '" + cache + "' is too long: the library takes at most " +
                      std::to_string(maxCachePath) + " bytes");
    Tessel::SetCachePath(cache.c_str());
}

void print(const std::string& text)
{
    writeOutput(text);
    writeOutput("\n");
}

void printJson(const Json& json)
{
    // Message bytes need not be valid UTF-8; invalid sequences are replaced.
    print(json.dump(2, ' ', false, Json::error_handler_t::replace));
}

Json pairsToJson(const Tessel::StringPairList& pairs)
{
    Json list = Json::array();
    for (const auto& pair : pairs)
        list.push_back({pair.first, pair.second});
    return list;
}

std::string pairLines(const Tessel::StringPairList& pairs)
{
    std::string lines;
    for (const auto& pair : pairs)
        lines += pair.first + '\t' + pair.second + '\n';
    return lines;
}

void rich(const Arguments& arguments)
{
    std::string html = readInput(arguments.input, "message");
    std::string text;
    Call call{arguments.quiet, &text};
    Tessel::ParseHtml(html, onResult, userValue(call), arguments.resourcesOnly);
    checkResult(call);
    print(text);
}

void rewrite(const Arguments& arguments)
{
    std::string html = readInput(arguments.input, "message");
    std::string out;
    Call call{arguments.quiet};
    Tessel::ParseHtml2(out, html, onResult, userValue(call));
    print(out);
}

void body(const Arguments& arguments)
{
    std::string html = readInput(arguments.input, "message");
    Tessel::SetCustomHead(arguments.title, arguments.sender, arguments.date);
    Tessel::ParseHtml_Orb(html);
    std::string body, text;
    Tessel::GetBody(body);
    if (!arguments.json) {
        print(body);
        return;
    }
    Tessel::GetText(text);
    Tessel::StringPairList emoticons, images;
    Tessel::GetEChVector(emoticons);
    Tessel::GetImageVector(images);
    printJson({{"body", body},
               {"text", text},
               {"emoticons", pairsToJson(emoticons)},
               {"images", pairsToJson(images)}});
}

void html(const Arguments& arguments)
{
    Tessel::StringPairList images;
    if (!arguments.images.empty())
        images = readPairList(arguments.images);
    std::string out;
    Tessel::HtmlFromBody(out, readInput(arguments.input, "body"), images);
    print(out);
}

void paragraph(const Arguments& arguments)
{
    std::string out;
    Tessel::EChTextFromBody(readInput(arguments.input, "body"), out);
    print(out);
}

void emoticons(const Arguments& arguments)
{
    Json list = Json::array();
    std::string lines;
    int index = 0;
    auto group = [&](const EMOSTRUCT* records, int count, const char* name) {
        for (int i = 0; i < count; ++i, ++index) {
            const EMOSTRUCT& record = records[i];
            std::string path = Tessel::EChPathFromId(record.id);
            if (arguments.json)
                list.push_back({{"index", index}, {"id", record.id}, {"name", record.name},
                                {"group", name}, {"path", path}});
            else
                lines += std::to_string(index) + '\t' + record.id + '\t' + record.name + '\t' + name + '\t' +
                         path + '\n';
        }
    };
    group(Tessel::getClassicPtr(), Tessel::getClassicCount(), "classic");
    group(Tessel::getOtherPtr(), Tessel::getOtherCount(), "other");
    if (arguments.json)
        printJson(list);
    else
        writeOutput(lines);
}

void emoticon(const Arguments& arguments)
{
    std::string tag = Tessel::EChPathFromName(arguments.name);
    if (tag.empty())
        throw Failure("the catalogue has no emoticon named '" + arguments.name + "'");
    print(tag);
}

void show(const Arguments& arguments)
{
    std::string html = readInput(arguments.input, "message");
    std::string rewritten, rich;
    Call call{arguments.quiet};
    Tessel::ParseHtml2(rewritten, html, onResult, userValue(call));
    Tessel::GetText(rich);

    Tessel::SetCustomHead(arguments.title, arguments.sender, arguments.date);
    Tessel::ParseHtml_Orb(html);
    std::string body;
    Tessel::GetBody(body);
    Tessel::StringPairList emoticons, images;
    Tessel::GetEChVector(emoticons);
    Tessel::GetImageVector(images);
    writeOutput("== rich text\n" + rich + "\n== body\n" + body + "\n== emoticons\n" + pairLines(emoticons) +
                "== images\n" + pairLines(images));
}

struct Runner {
    const char* name;
    void (*run)(const Arguments&);
};

const Runner runners[] = {
    {"rich", rich},           {"rewrite", rewrite},     {"body", body},         {"html", html},
    {"paragraph", paragraph}, {"emoticons", emoticons}, {"emoticon", emoticon}, {"show", show},
};

}  // namespace

void runCommand(const Arguments& arguments)
{
    for (const Runner& runner : runners) {
        if (arguments.command == runner.name) {
            start(arguments);
            runner.run(arguments);
            finishOutput();
            return;
        }
    }
    throw Failure("no command '" + arguments.command + "'");  // the parser accepts none other
}

}  // namespace tool
