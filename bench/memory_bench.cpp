// SPDX-License-Identifier: MIT
// Peak heap use of converting the 1 MB message: for each conversion, the
// highest number of heap bytes in use during the call beyond those in use
// before it, with the library's parsers holding no buffers from an earlier
// message, and the bytes of the results the call must leave behind: the
// caller's out-string and what the parser keeps for GetText, GetBody and the
// lists. Those are a floor under the peak that no buffer strategy lowers.
// Writes a table, and JSON to the file named by the argument.
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

// Runs a conversion; returns the bytes of the results it leaves behind.
struct Conversion {
    const char* name;
    const std::string& input;
    std::function<std::size_t()> run;
};

std::size_t bytesOf(const Tessel::StringPairList& list)
{
    std::size_t bytes = 0;
    for (const auto& pair : list)
        bytes += pair.first.size() + pair.second.size();
    return bytes;
}

// What a parser keeps after a conversion: text, body and, for the body
// parser, its lists.
std::size_t keptBy(const Tessel::HtmlParser& parser)
{
    return parser.text.size() + parser.body.size();
}

std::size_t keptByBodyParser()
{
    return keptBy(*Tessel::BodyParser) + bytesOf(Tessel::BodyParser->emoticonList) +
           bytesOf(Tessel::BodyParser->imageList);
}

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
        // The rich text goes to the callback; the call keeps nothing.
        {"ParseHtml", message,
         [&] {
             Tessel::ParseHtml(message, ignoreResult, 0, false);
             return std::size_t(0);
         }},
        {"ParseHtml2", message,
         [&] {
             std::string out;
             Tessel::ParseHtml2(out, message, ignoreResult, 0);
             return out.size() + keptBy(*Tessel::RichParser);
         }},
        {"ParseHtml_Orb", message,
         [&] {
             Tessel::ParseHtml_Orb(message);
             return keptByBodyParser();
         }},
        {"HtmlFromBody", body,
         [&] {
             std::string out;
             Tessel::HtmlFromBody(out, body, images);
             return out.size() + keptByBodyParser();
         }},
        {"EChTextFromBody", body,
         [&] {
             std::string out;
             Tessel::EChTextFromBody(body, out);
             return out.size() + keptByBodyParser();
         }},
    };
    std::string json = "{\"input_bytes\": " + std::to_string(message.size()) + ", \"conversions\": [";
    std::printf("%-16s %12s %12s %8s %12s %8s\n", "conversion", "input", "peak heap", "ratio", "left",
                "ratio");
    for (std::size_t i = 0; i < conversions.size(); ++i) {
        const std::size_t input = conversions[i].input.size();
        releaseParserBuffers();
        const std::size_t before = heapInUse();
        resetHeapPeak();
        const std::size_t left = conversions[i].run();
        const std::size_t peak = heapPeak() - before;
        const double ratio = double(peak) / double(input);
        const double leftRatio = double(left) / double(input);
        std::printf("%-16s %12zu %12zu %8.2f %12zu %8.2f\n", conversions[i].name, input, peak, ratio, left,
                    leftRatio);
        json += std::string(i ? ", " : "") + "{\"name\": \"" + conversions[i].name +
                "\", \"input_bytes\": " + std::to_string(input) +
                ", \"peak_bytes\": " + std::to_string(peak) + ", \"ratio\": " + std::to_string(ratio) +
                ", \"left_bytes\": " + std::to_string(left) +
                ", \"left_ratio\": " + std::to_string(leftRatio) + "}";
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
