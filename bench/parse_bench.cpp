// SPDX-License-Identifier: MIT
// The conversions of the library over the corpus: "qt" is the 2,000 Qt chat
// messages, "plain" the messages without markup, "short" the short ones
// escaped as typed text, "dense" the entity-dense text, "large" the 1 MB
// message and "fixed16" a 16-byte message (support/corpus.h).
#include <benchmark/benchmark.h>

#include <set>
#include <string>
#include <vector>

#include "base/text_search.h"
#include "fs/filesystem.h"
#include "html/HtmlParser.h"
#include "html/image_source.h"
#include "support/corpus.h"
#include "support/latency.h"
#include "support/library.h"
#include "support/throughput.h"
#include "tessel/tessel.h"

namespace {

using benchsupport::ignoreResult;
using benchsupport::initLibrary;
using benchsupport::messagesOf;
using benchsupport::runOverMessages;

void parseHtml(benchmark::State& state, const char* corpus, bool resourceImagesOnly)
{
    initLibrary();
    runOverMessages(state, messagesOf(corpus), [&](const std::string& message) {
        Tessel::ParseHtml(message, ignoreResult, 0, resourceImagesOnly);
    });
}

// The time of each call on its own: its median and 99th percentile.
void parseHtmlLatency(benchmark::State& state, const char* corpus)
{
    initLibrary();
    benchsupport::runWithLatency(state, messagesOf(corpus), [&](const std::string& message) {
        Tessel::ParseHtml(message, ignoreResult, 0, false);
    });
}

void parseHtml2(benchmark::State& state, const char* corpus)
{
    initLibrary();
    std::string out;
    runOverMessages(state, messagesOf(corpus), [&](const std::string& message) {
        Tessel::ParseHtml2(out, message, ignoreResult, 0);
        benchmark::DoNotOptimize(out.data());
    });
}

void parseHtmlOrb(benchmark::State& state, const char* corpus)
{
    initLibrary();
    runOverMessages(state, messagesOf(corpus),
                    [](const std::string& message) { Tessel::ParseHtml_Orb(message); });
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
    runOverMessages(state, messagesOf(corpus), [&](const std::string& message) {
        parser.text.clear();
        parser.parse(message.data(), message.size());
    });
}

// ParseHtml on one and on two threads at once, each over the whole Qt
// corpus: the messages all of them convert per second of wall time. Each
// thread keeps a parser of its own, and the calls share nothing they write.
void parseHtmlThreads(benchmark::State& state, bool resourceImagesOnly)
{
    initLibrary();
    static const std::vector<std::string>& messages = messagesOf("qt");
    runOverMessages(state, messages, [&](const std::string& message) {
        Tessel::ParseHtml(message, ignoreResult, 0, resourceImagesOnly);
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
    const auto& messages = messagesOf(corpus);
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

BENCHMARK_CAPTURE(parseHtml, qt, "qt", false)->Name("ParseHtml/qt");
BENCHMARK_CAPTURE(parseHtml, qt_resource_only, "qt", true)->Name("ParseHtml/qt_resource_only");
BENCHMARK_CAPTURE(parseHtml, plain, "plain", false)->Name("ParseHtml/plain");
BENCHMARK_CAPTURE(parseHtml, short, "short", false)->Name("ParseHtml/short");
BENCHMARK_CAPTURE(parseHtml, dense, "dense", false)->Name("ParseHtml/dense");
BENCHMARK_CAPTURE(parseHtml, large, "large", false)->Name("ParseHtml/large");
BENCHMARK_CAPTURE(parseHtml, fixed16, "fixed16", false)->Name("ParseHtml/fixed16");
BENCHMARK_CAPTURE(parseHtmlLatency, qt, "qt")->Name("Latency/ParseHtml/qt")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(parseHtmlLatency, short, "short")
    ->Name("Latency/ParseHtml/short")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(parseHtml2, qt, "qt")->Name("ParseHtml2/qt");
BENCHMARK_CAPTURE(parseHtml2, large, "large")->Name("ParseHtml2/large");
BENCHMARK_CAPTURE(parseHtmlOrb, qt, "qt")->Name("ParseHtml_Orb/qt");
BENCHMARK_CAPTURE(parseHtmlOrb, large, "large")->Name("ParseHtml_Orb/large");
BENCHMARK_CAPTURE(htmlFromBody, qt, "qt")->Name("HtmlFromBody/qt");
BENCHMARK_CAPTURE(htmlFromBody, large, "large")->Name("HtmlFromBody/large");
BENCHMARK_CAPTURE(emoticonTextFromBody, qt, "qt")->Name("EChTextFromBody/qt");
BENCHMARK_CAPTURE(emoticonTextFromBody, large, "large")->Name("EChTextFromBody/large");
BENCHMARK_CAPTURE(tokenizer, qt, "qt")->Name("Tokenizer/qt");
BENCHMARK_CAPTURE(fileTests, qt, "qt")->Name("Floor/file_tests");
BENCHMARK_CAPTURE(parseHtmlThreads, qt, false)
    ->Name("Threads/ParseHtml/qt")
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime();
BENCHMARK_CAPTURE(parseHtmlThreads, qt_resource_only, true)
    ->Name("Threads/ParseHtml/qt_resource_only")
    ->Threads(1)
    ->Threads(2)
    ->UseRealTime();
