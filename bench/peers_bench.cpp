// SPDX-License-Identifier: MIT
// Other HTML-to-text converters, run over the same corpora as Tessel's
// ParseHtml, libpurple's decoder of character references beside
// decodeEntities, and the floor of any converter: a scan for '<' and a copy.
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
#include "support/latency.h"
#include "support/throughput.h"

namespace {

using benchsupport::messagesOf;
using benchsupport::runOverMessages;
using benchsupport::runWithLatency;

// Each converter is a callable object with the state it keeps between
// messages, so that the throughput and the latency runs share it.
struct QtSetHtml {
    QTextDocument document;
    void operator()(const std::string& message)
    {
        document.setHtml(QString::fromUtf8(message.data(), static_cast<int>(message.size())));
        QString text = document.toPlainText();
        benchmark::DoNotOptimize(text.data());
    }
};

struct PurpleStripHtml {
    void operator()(const std::string& message)
    {
        char* text = purple_markup_strip_html(message.c_str());
        benchmark::DoNotOptimize(text);
        g_free(text);
    }
};

// libpurple's decoder of character references: the peer of decodeEntities.
struct PurpleUnescapeHtml {
    void operator()(const std::string& message)
    {
        char* text = purple_unescape_html(message.c_str());
        benchmark::DoNotOptimize(text);
        g_free(text);
    }
};

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

struct GumboParse {
    std::string text;
    void operator()(const std::string& message)
    {
        GumboOutput* output =
            gumbo_parse_with_options(&kGumboDefaultOptions, message.data(), message.size());
        text.clear();
        collectGumboText(output->document, text);
        benchmark::DoNotOptimize(text.data());
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
};

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

struct Libxml2Parse {
    std::string text;
    void operator()(const std::string& message)
    {
        const int options = HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
        htmlDocPtr document = htmlReadMemory(message.data(), static_cast<int>(message.size()),
                                             nullptr, "UTF-8", options);
        text.clear();
        if (document)
            collectXmlText(xmlDocGetRootElement(document), text);
        benchmark::DoNotOptimize(text.data());
        xmlFreeDoc(document);
    }
};

struct MemchrScan {
    void operator()(const std::string& message)
    {
        const char* p = message.data();
        const char* end = p + message.size();
        std::size_t count = 0;
        while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p))))) {
            ++count;
            ++p;
        }
        benchmark::DoNotOptimize(count);
    }
};

struct MemcpyCopy {
    std::string buffer = std::string(1 << 16, '\0');
    void operator()(const std::string& message)
    {
        if (message.size() > buffer.size())
            buffer.resize(message.size());
        std::memcpy(&buffer[0], message.data(), message.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
};

template <typename Converter>
void throughput(benchmark::State& state, const std::string& corpus)
{
    Converter convert;
    runOverMessages(state, messagesOf(corpus), [&](const std::string& message) { convert(message); });
}

template <typename Converter>
void latency(benchmark::State& state, const std::string& corpus)
{
    Converter convert;
    runWithLatency(state, messagesOf(corpus), [&](const std::string& message) { convert(message); });
}

template <typename Converter>
void add(const std::string& name, std::initializer_list<const char*> corpora, benchmark::TimeUnit unit)
{
    for (const char* corpus : corpora) {
        benchmark::RegisterBenchmark((name + "/" + corpus).c_str(), throughput<Converter>,
                                     std::string(corpus))
            ->Unit(unit);
    }
}

template <typename Converter>
void addLatency(const std::string& name, std::initializer_list<const char*> corpora)
{
    for (const char* corpus : corpora) {
        benchmark::RegisterBenchmark(("Latency/" + name + "/" + corpus).c_str(), latency<Converter>,
                                     std::string(corpus))
            ->Unit(benchmark::kMillisecond);
    }
}

// HTML to text over the Qt corpus, the short messages without markup, the
// entity-dense text and the 1 MB message; the fixed cost of a call; latency
// on the Qt corpus and the short messages; the decoder of references; the
// floor of any converter.
void registerBenchmarks()
{
    const auto ms = benchmark::kMillisecond;
    add<QtSetHtml>("Peer/Qt_setHtml_toPlainText", {"qt", "short", "dense", "large"}, ms);
    add<PurpleStripHtml>("Peer/purple_markup_strip_html", {"qt", "short", "dense", "large", "fixed16"}, ms);
    add<GumboParse>("Peer/gumbo_parse", {"qt", "short", "dense", "large"}, ms);
    add<Libxml2Parse>("Peer/libxml2_htmlReadMemory", {"qt", "short", "dense", "large"}, ms);
    add<PurpleUnescapeHtml>("Peer/purple_unescape_html", {"dense", "no_amp"}, ms);
    add<MemchrScan>("Floor/memchr", {"qt"}, benchmark::kMicrosecond);
    add<MemcpyCopy>("Floor/memcpy", {"qt"}, benchmark::kMicrosecond);

    addLatency<QtSetHtml>("Peer/Qt_setHtml_toPlainText", {"qt", "short"});
    addLatency<PurpleStripHtml>("Peer/purple_markup_strip_html", {"qt", "short"});
    addLatency<GumboParse>("Peer/gumbo_parse", {"qt", "short"});
    addLatency<Libxml2Parse>("Peer/libxml2_htmlReadMemory", {"qt", "short"});
}

}  // namespace

int main(int argc, char** argv)
{
    // QTextDocument lays out text with fonts, which need a QGuiApplication;
    // the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    registerBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
