// The character-reference decoder and the image key on their own.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "html/entities.h"
#include "html/md5.h"
#include "support/corpus.h"
#include "support/library.h"
#include "support/random.h"
#include "support/throughput.h"

namespace {

// Text in which about one byte in three belongs to a reference: named,
// decimal and hexadecimal ones, known and unknown.
std::string entityDenseText(std::size_t bytes)
{
    static const char* const pieces[] = {"&amp;", "&lt;b&gt;", "&quot;", "&nbsp;", "&#20320;",
                                         "&#x597D;", "&euro;", "&hellip;", "&foo;", "AT&T "};
    benchsupport::Random random(7);
    std::string text;
    while (text.size() < bytes) {
        text.append("chat text ");
        text.append(pieces[random.below(10)]);
    }
    return text;
}

void decodeOver(benchmark::State& state, const std::vector<std::string>& messages)
{
    benchsupport::initLibrary();  // the entity table is filled by the first parser
    std::string work;
    benchsupport::runOverMessages(state, messages, [&](const std::string& message) {
        work.assign(message);  // the decoder works in place
        Tessel::decodeEntities(work);
        benchmark::DoNotOptimize(work.data());
    });
}

void decodePlain(benchmark::State& state)
{
    decodeOver(state, benchsupport::corpusMessages("plain.msgs"));
}

void decodeDense(benchmark::State& state)
{
    static const std::vector<std::string> text{entityDenseText(4096)};
    decodeOver(state, text);
}

void imageKeyOfSize(benchmark::State& state)
{
    benchsupport::Random random(11);
    std::string source(static_cast<std::size_t>(state.range(0)), '\0');
    for (auto& c : source)
        c = static_cast<char>(' ' + random.below(95));
    for (auto _ : state)
        benchmark::DoNotOptimize(Tessel::imageKey(source));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

}  // namespace

BENCHMARK(decodePlain)->Name("decodeEntities/plain");
BENCHMARK(decodeDense)->Name("decodeEntities/dense");
BENCHMARK(imageKeyOfSize)->Name("imageKey")->Arg(4096)->Arg(32);
