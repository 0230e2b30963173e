#include "cli/commands.h"

#include <cstdint>
#include <fstream>
#include <iostream>

#include <nlohmann/json.hpp>

#include "cli/io.h"
#include "tessel/tessel.h"

namespace tool {

namespace {

using Json = nlohmann::json;

// Pictures are announced on standard error as they arrive; the text of
// ParseHtml arrives with code 1 into the string that user points at.
void onResult(int code, const char* data, int length, std::int64_t user)
{
    if (code == 2)
        std::cerr << "picture: " << std::string(data, length) << std::endl;
    else if (code == 1 && user)
        reinterpret_cast<std::string*>(static_cast<std::intptr_t>(user))->assign(data, length);
}

std::string catalogueLocation(const Options& options)
{
    if (!options.catalogue.empty()) {
        if (!std::ifstream(options.catalogue, std::ios::binary))
            throw Failure("catalogue '" + options.catalogue + "' cannot be opened");
        return options.catalogue;
    }
    // The sample catalogue of the source tree; without it the library looks
    // beside the executable (Resource/emo.dat).
    if (std::ifstream(TESSEL_SAMPLE_CATALOGUE, std::ios::binary))
        return TESSEL_SAMPLE_CATALOGUE;
    return "";
}

void start(const Options& options)
{
    std::string catalogue = catalogueLocation(options);
    try {
        Tessel::Init("", catalogue.c_str());
    } catch (const std::exception& e) {
        std::string shown = catalogue.empty() ? "Resource/emo.dat beside the tool" : catalogue;
        std::string where = catalogue.empty() ? "" : describeCatalogueError(catalogue);
        if (!where.empty())
            throw Failure("catalogue '" + shown + "' is not well-formed XML: " + where);
        throw Failure("catalogue '" + shown + "' cannot be loaded: " + e.what());
    }
    std::string cache = options.cache.empty() ? defaultCacheDirectory() : options.cache;
    Tessel::SetCachePath(cache.c_str());
}

Json pairsToJson(const Tessel::StringPairList& pairs)
{
    Json list = Json::array();
    for (const auto& pair : pairs)
        list.push_back({pair.first, pair.second});
    return list;
}

void print(const std::string& text)
{
    std::cout << text << '\n';
}

void printJson(const Json& json)
{
    // Message bytes need not be valid UTF-8; invalid sequences are replaced.
    std::cout << json.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

void convertBody(const std::string& file, const BodyHead& head)
{
    std::string html = readInput(file);
    Tessel::SetCustomHead(head.title, head.sender, head.date);
    Tessel::ParseHtml_Orb(html);
}

}  // namespace

int runText(const Options& options, const std::string& file, bool resourcesOnly)
{
    start(options);
    std::string html = readInput(file);
    std::string text;
    Tessel::ParseHtml(html, onResult, static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(&text)),
                      resourcesOnly);
    print(text);
    return 0;
}

int runRich(const Options& options, const std::string& file, bool richText)
{
    start(options);
    std::string html = readInput(file);
    std::string out;
    Tessel::ParseHtml2(out, html, onResult, 0);
    if (richText)
        Tessel::GetText(out);
    print(out);
    return 0;
}

int runBody(const Options& options, const std::string& file, const BodyHead& head, bool json)
{
    start(options);
    convertBody(file, head);
    std::string body, text;
    Tessel::GetBody(body);
    if (!json) {
        print(body);
        return 0;
    }
    Tessel::GetText(text);
    Tessel::StringPairList emoticons, images;
    Tessel::GetEChVector(emoticons);
    Tessel::GetImageVector(images);
    printJson({{"body", body},
               {"text", text},
               {"emoticons", pairsToJson(emoticons)},
               {"images", pairsToJson(images)}});
    return 0;
}

int runHtml(const Options& options, const std::string& bodyFile, const std::string& imagesFile)
{
    start(options);
    Tessel::StringPairList images;
    if (!imagesFile.empty())
        images = readPairList(imagesFile);
    std::string out;
    Tessel::HtmlFromBody(out, readInput(bodyFile), images);
    print(out);
    return 0;
}

int runParagraph(const Options& options, const std::string& bodyFile)
{
    start(options);
    std::string out;
    Tessel::EChTextFromBody(readInput(bodyFile), out);
    print(out);
    return 0;
}

int runEmoticons(const Options& options, bool json)
{
    start(options);
    Json list = Json::array();
    int index = 0;
    auto group = [&](EMOSTRUCT* records, int count, const char* name) {
        for (int i = 0; i < count; ++i, ++index) {
            const EMOSTRUCT& record = records[i];
            std::string path = Tessel::EChPathFromId(record.id);
            if (json)
                list.push_back({{"index", index}, {"id", record.id}, {"name", record.name},
                                {"group", name}, {"path", path}});
            else
                std::cout << index << '\t' << record.id << '\t' << record.name << '\t' << name
                          << '\t' << path << '\n';
        }
    };
    group(Tessel::getClassicPtr(), Tessel::getClassicCount(), "classic");
    group(Tessel::getOtherPtr(), Tessel::getOtherCount(), "other");
    if (json)
        printJson(list);
    return 0;
}

int runEmoticon(const Options& options, const std::string& name)
{
    start(options);
    std::string tag = Tessel::EChPathFromName(name);
    if (tag.empty())
        throw Failure("the catalogue has no emoticon named '" + name + "'");
    print(tag);
    return 0;
}

int runShow(const Options& options, const std::string& file, const BodyHead& head)
{
    start(options);
    std::string html = readInput(file);
    std::string rewritten, rich;
    Tessel::ParseHtml2(rewritten, html, onResult, 0);
    Tessel::GetText(rich);
    std::cout << "== rich text\n" << rich << "\n";

    Tessel::SetCustomHead(head.title, head.sender, head.date);
    Tessel::ParseHtml_Orb(html);
    std::string body;
    Tessel::GetBody(body);
    Tessel::StringPairList emoticons, images;
    Tessel::GetEChVector(emoticons);
    Tessel::GetImageVector(images);
    std::cout << "== body\n" << body << "\n== emoticons\n";
    for (const auto& pair : emoticons)
        std::cout << pair.first << '\t' << pair.second << '\n';
    std::cout << "== images\n";
    for (const auto& pair : images)
        std::cout << pair.first << '\t' << pair.second << '\n';
    return 0;
}

}  // namespace tool
