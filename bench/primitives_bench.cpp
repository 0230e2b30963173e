// SPDX-License-Identifier: MIT
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

// Copies and decodes each message. "plain" and "short": messages without
// markup; "dense": a reference every 8 bytes or so; "no_amp", "no_amp_short":
// the dense and the short messages with no '&' at all.
void decode(benchmark::State& state, const char* corpus)
{
    benchsupport::initLibrary();  // the entity table is filled by the first parser
    std::string work;
    benchsupport::runOverMessages(state, benchsupport::messagesOf(corpus), [&](const std::string& message) {
        work.assign(message);  // the decoder works in place
        Tessel::decodeEntities(work);
        benchmark::DoNotOptimize(work.data());
    });
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

BENCHMARK_CAPTURE(decode, plain, "plain")->Name("decodeEntities/plain");
BENCHMARK_CAPTURE(decode, short, "short")->Name("decodeEntities/short");
BENCHMARK_CAPTURE(decode, dense, "dense")->Name("decodeEntities/dense");
BENCHMARK_CAPTURE(decode, no_amp, "no_amp")->Name("decodeEntities/no_amp");
BENCHMARK_CAPTURE(decode, no_amp_short, "no_amp_short")->Name("decodeEntities/no_amp_short");
BENCHMARK(imageKeyOfSize)->Name("imageKey")->Arg(4096)->Arg(32);
