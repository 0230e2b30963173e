// SPDX-License-Identifier: MIT
// Peak heap use of converting the 1 MB message: for each conversion, the
// highest number of heap bytes in use during the call beyond those in use
// before it, with the library's parsers holding no buffers from an earlier
// message. Writes a table, and JSON to the file named by the argument.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "api/state.h"
#include "html/RichTextParser_Orb.h"
#include "support/corpus.h"
#include "support/counting_allocator.h"
#include "support/library.h"
#include "tessel/tessel.h"

namespace {

struct Conversion {
    const char* name;
    const std::string& input;
    std::function<void()> run;
};

// The state a first message finds: parsers without output buffers.
void releaseParserBuffers()
{
    for (Tessel::HtmlParser* parser : {static_cast<Tessel::HtmlParser*>(Tessel::RichParser),
                                       static_cast<Tessel::HtmlParser*>(Tessel::BodyParser)}) {
        std::string().swap(parser->text);
        std::string().swap(parser->body);
    }
    Tessel::StringPairList().swap(Tessel::BodyParser->emoticonList);
    Tessel::StringPairList().swap(Tessel::BodyParser->imageList);
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace benchsupport;
    initLibrary();
    const std::string& message = messagesOf("large").front();
    const Bodies& made = corpusBodies("large");
    const std::string& body = made.bodies.front();
    const Tessel::StringPairList& images = made.images.front();

    const std::vector<Conversion> conversions = {
        {"ParseHtml", message, [&] { Tessel::ParseHtml(message, ignoreResult, 0, false); }},
        {"ParseHtml2", message, [&] { std::string out; Tessel::ParseHtml2(out, message, ignoreResult, 0); }},
        {"ParseHtml_Orb", message, [&] { Tessel::ParseHtml_Orb(message); }},
        {"HtmlFromBody", body, [&] { std::string out; Tessel::HtmlFromBody(out, body, images); }},
        {"EChTextFromBody", body, [&] { std::string out; Tessel::EChTextFromBody(body, out); }},
    };

    std::string json = "{\"input_bytes\": " + std::to_string(message.size()) + ", \"conversions\": [";
    std::printf("%-16s %12s %12s %8s\n", "conversion", "input", "peak heap", "ratio");
    for (std::size_t i = 0; i < conversions.size(); ++i) {
        const std::size_t input = conversions[i].input.size();
        releaseParserBuffers();
        const std::size_t before = heapInUse();
        resetHeapPeak();
        conversions[i].run();
        const std::size_t peak = heapPeak() - before;
        const double ratio = double(peak) / double(input);
        std::printf("%-16s %12zu %12zu %8.2f\n", conversions[i].name, input, peak, ratio);
        json += std::string(i ? ", " : "") + "{\"name\": \"" + conversions[i].name +
                "\", \"input_bytes\": " + std::to_string(input) +
                ", \"peak_bytes\": " + std::to_string(peak) + ", \"ratio\": " + std::to_string(ratio) + "}";
    }
    json += "]}\n";

    if (argc > 1) {
        FILE* out = std::fopen(argv[1], "w");
        if (!out || std::fputs(json.c_str(), out) < 0 || std::fclose(out) != 0) {
            std::fprintf(stderr, "cannot write %s\n", argv[1]);
            return 1;
        }
    }
    return 0;
}
