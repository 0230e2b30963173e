// Other HTML-to-text converters, run over the same Qt corpus as Tessel's
// ParseHtml, and the floor of any converter: a scan for '<' and a copy.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTextDocument>
#include <gumbo.h>
#include <libxml/HTMLparser.h>
#include <util.h>  // libpurple

#include <cstring>
#include <string>
#include <vector>

#include "support/corpus.h"
#include "support/throughput.h"

namespace {

using benchsupport::runOverMessages;

const std::vector<std::string>& qtCorpus()
{
    static const std::vector<std::string> messages =
        benchsupport::readMessages(benchsupport::corpusFile("qt.msgs"));
    return messages;
}

void qtSetHtml(benchmark::State& state)
{
    QTextDocument document;
    runOverMessages(state, qtCorpus(), [&](const std::string& message) {
        document.setHtml(QString::fromUtf8(message.data(), static_cast<int>(message.size())));
        QString text = document.toPlainText();
        benchmark::DoNotOptimize(text.data());
    });
}

void purpleStripHtml(benchmark::State& state)
{
    runOverMessages(state, qtCorpus(), [](const std::string& message) {
        char* text = purple_markup_strip_html(message.c_str());
        benchmark::DoNotOptimize(text);
        g_free(text);
    });
}

// Text of the tree outside script and style elements, in document order.
void collectGumboText(const GumboNode* node, std::string& text)
{
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE) {
        text += node->v.text.text;
        return;
    }
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT)
        return;
    if (node->type == GUMBO_NODE_ELEMENT &&
        (node->v.element.tag == GUMBO_TAG_SCRIPT || node->v.element.tag == GUMBO_TAG_STYLE))
        return;
    const GumboVector& children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i)
        collectGumboText(static_cast<const GumboNode*>(children.data[i]), text);
}

void gumboParse(benchmark::State& state)
{
    std::string text;
    runOverMessages(state, qtCorpus(), [&](const std::string& message) {
        GumboOutput* output =
            gumbo_parse_with_options(&kGumboDefaultOptions, message.data(), message.size());
        text.clear();
        collectGumboText(output->document, text);
        benchmark::DoNotOptimize(text.data());
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    });
}

void collectXmlText(const xmlNode* node, std::string& text)
{
    for (; node; node = node->next) {
        if (node->type == XML_TEXT_NODE && node->content) {
            text += reinterpret_cast<const char*>(node->content);
        } else if (node->type == XML_ELEMENT_NODE) {
            const char* name = reinterpret_cast<const char*>(node->name);
            if (std::strcmp(name, "script") != 0 && std::strcmp(name, "style") != 0)
                collectXmlText(node->children, text);
        }
    }
}

void libxml2Parse(benchmark::State& state)
{
    std::string text;
    const int options = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
    runOverMessages(state, qtCorpus(), [&](const std::string& message) {
        htmlDocPtr document = htmlReadMemory(message.data(), static_cast<int>(message.size()),
                                             nullptr, "UTF-8", options);
        text.clear();
        if (document)
            collectXmlText(xmlDocGetRootElement(document), text);
        benchmark::DoNotOptimize(text.data());
        xmlFreeDoc(document);
    });
}

void memchrScan(benchmark::State& state)
{
    runOverMessages(state, qtCorpus(), [](const std::string& message) {
        const char* p = message.data();
        const char* end = p + message.size();
        std::size_t count = 0;
        while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p))))) {
            ++count;
            ++p;
        }
        benchmark::DoNotOptimize(count);
    });
}

void memcpyCopy(benchmark::State& state)
{
    std::string buffer(1 << 16, '\0');
    runOverMessages(state, qtCorpus(), [&](const std::string& message) {
        if (message.size() > buffer.size())
            buffer.resize(message.size());
        std::memcpy(&buffer[0], message.data(), message.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    });
}

}  // namespace

BENCHMARK(qtSetHtml)->Name("Peer/Qt_setHtml_toPlainText")->Unit(benchmark::kMillisecond);
BENCHMARK(purpleStripHtml)->Name("Peer/purple_markup_strip_html")->Unit(benchmark::kMillisecond);
BENCHMARK(gumboParse)->Name("Peer/gumbo_parse")->Unit(benchmark::kMillisecond);
BENCHMARK(libxml2Parse)->Name("Peer/libxml2_htmlReadMemory")->Unit(benchmark::kMillisecond);
BENCHMARK(memchrScan)->Name("Floor/memchr")->Unit(benchmark::kMicrosecond);
BENCHMARK(memcpyCopy)->Name("Floor/memcpy")->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    // QTextDocument lays out text with fonts, which need a QGuiApplication;
    // the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
