// The conversions of the library over the corpus: "qt" is the 2,000 Qt chat
// messages, "plain" the messages without markup, "large" the 1 MB message.
#include <benchmark/benchmark.h>

#include <set>
#include <string>
#include <vector>

#include "base/text_search.h"
#include "fs/filesystem.h"
#include "html/HtmlParser.h"
#include "html/image_source.h"
#include "support/corpus.h"
#include "support/library.h"
#include "support/throughput.h"
#include "tessel/tessel.h"

namespace {

using benchsupport::ignoreResult;
using benchsupport::initLibrary;
using benchsupport::runOverMessages;

void parseHtml(benchmark::State& state, const char* corpus, bool resourceImagesOnly)
{
    initLibrary();
    runOverMessages(state, benchsupport::corpusMessages(corpus), [&](const std::string& message) {
        Tessel::ParseHtml(message, ignoreResult, 0, resourceImagesOnly);
    });
}

void parseHtml2(benchmark::State& state, const char* corpus)
{
    initLibrary();
    std::string out;
    runOverMessages(state, benchsupport::corpusMessages(corpus), [&](const std::string& message) {
        Tessel::ParseHtml2(out, message, ignoreResult, 0);
        benchmark::DoNotOptimize(out.data());
    });
}

void parseHtmlOrb(benchmark::State& state, const char* corpus)
{
    initLibrary();
    runOverMessages(state, benchsupport::corpusMessages(corpus), [](const std::string& message) {
        Tessel::ParseHtml_Orb(message);
    });
}

// The body conversions run over the bodies that ParseHtml_Orb made; their
// bytes are what is counted.
template <typename Convert>
void overBodies(benchmark::State& state, const char* corpus, Convert convert)
{
    const auto& made = benchsupport::corpusBodies(corpus);
    for (auto _ : state) {
        for (std::size_t i = 0; i < made.bodies.size(); ++i)
            convert(made.bodies[i], made.images[i]);
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * benchsupport::totalBytes(made.bodies)));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * made.bodies.size()));
}

void htmlFromBody(benchmark::State& state, const char* corpus)
{
    std::string out;
    overBodies(state, corpus, [&](const std::string& body, const Tessel::StringPairList& images) {
        Tessel::HtmlFromBody(out, body, images);
        benchmark::DoNotOptimize(out.data());
    });
}

void emoticonTextFromBody(benchmark::State& state, const char* corpus)
{
    std::string out;
    overBodies(state, corpus, [&](const std::string& body, const Tessel::StringPairList&) {
        Tessel::EChTextFromBody(body, out);
        benchmark::DoNotOptimize(out.data());
    });
}

// The tokenizer alone, without image handlers or paragraphs: the share of
// the conversions that is not theirs.
void tokenizer(benchmark::State& state, const char* corpus)
{
    initLibrary();
    Tessel::HtmlParser parser;
    runOverMessages(state, benchsupport::corpusMessages(corpus), [&](const std::string& message) {
        parser.text.clear();
        parser.parse(message.data(), message.size());
    });
}

// The paths of the file tests that ParseHtml makes on each message: one
// per distinct source that is neither a resource nor a web address.
std::vector<std::vector<std::string>> localPictures(const std::vector<std::string>& messages)
{
    struct Sources : Tessel::HtmlParser {
        std::set<std::string> found;
        void onImgSrc(const char*, const std::string& src) override { found.insert(src); }
    } parser;
    std::vector<std::vector<std::string>> pictures;
    for (const auto& message : messages) {
        parser.found.clear();
        parser.parse(message.data(), message.size());
        pictures.emplace_back();
        for (const auto& src : parser.found) {
            const std::string_view path = Tessel::localPathOfSource(src);
            if (!src.empty() && !Tessel::startsWith(src, "http://") && !Tessel::startsWith(path, ":/"))
                pictures.back().emplace_back(path);
        }
    }
    return pictures;
}

// Nothing but those file tests, over the corpus: what is left of any time
// budget for ParseHtml once the file system has answered.
void fileTests(benchmark::State& state, const char* corpus)
{
    const auto& messages = benchsupport::corpusMessages(corpus);
    const auto pictures = localPictures(messages);
    for (auto _ : state) {
        for (const auto& paths : pictures) {
            for (const auto& path : paths)
                benchmark::DoNotOptimize(Tessel::isFileNamed(path));
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * benchsupport::totalBytes(messages)));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * messages.size()));
}

}  // namespace

BENCHMARK_CAPTURE(parseHtml, qt, "qt.msgs", false)->Name("ParseHtml/qt");
BENCHMARK_CAPTURE(parseHtml, qt_resource_only, "qt.msgs", true)->Name("ParseHtml/qt_resource_only");
BENCHMARK_CAPTURE(parseHtml, plain, "plain.msgs", false)->Name("ParseHtml/plain");
BENCHMARK_CAPTURE(parseHtml, large, "large.html", false)->Name("ParseHtml/large");
BENCHMARK_CAPTURE(parseHtml2, qt, "qt.msgs")->Name("ParseHtml2/qt");
BENCHMARK_CAPTURE(parseHtml2, large, "large.html")->Name("ParseHtml2/large");
BENCHMARK_CAPTURE(parseHtmlOrb, qt, "qt.msgs")->Name("ParseHtml_Orb/qt");
BENCHMARK_CAPTURE(parseHtmlOrb, large, "large.html")->Name("ParseHtml_Orb/large");
BENCHMARK_CAPTURE(htmlFromBody, qt, "qt.msgs")->Name("HtmlFromBody/qt");
BENCHMARK_CAPTURE(htmlFromBody, large, "large.html")->Name("HtmlFromBody/large");
BENCHMARK_CAPTURE(emoticonTextFromBody, qt, "qt.msgs")->Name("EChTextFromBody/qt");
BENCHMARK_CAPTURE(emoticonTextFromBody, large, "large.html")->Name("EChTextFromBody/large");
BENCHMARK_CAPTURE(tokenizer, qt, "qt.msgs")->Name("Tokenizer/qt");
BENCHMARK_CAPTURE(fileTests, qt, "qt.msgs")->Name("Floor/file_tests");
