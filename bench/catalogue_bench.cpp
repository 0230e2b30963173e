// SPDX-License-Identifier: MIT
// Loading a catalogue of 5,000 emoticons, and name look-ups in it.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "support/corpus.h"
#include "support/random.h"
#include "tessel/EmoticonCache.h"

namespace {

const char CatalogueFile[] = "emo5000.dat";

void loadCatalogue(benchmark::State& state)
{
    const std::string path = benchsupport::corpusFile(CatalogueFile);
    const std::size_t bytes = benchsupport::readFile(path).size();
    int records = 0;
    for (auto _ : state) {
        EmoticonCache cache(path.c_str());
        records = cache.getClassicCount() + cache.getOtherCount();
        benchmark::DoNotOptimize(records);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * records);
}

void lookUpNames(benchmark::State& state)
{
    const EmoticonCache cache(benchsupport::corpusFile(CatalogueFile).c_str());
    // Every name once, in a shuffled order, and as many names it lacks.
    std::vector<std::string> names;
    for (const auto& entry : cache.nameIndex) {
        names.push_back(entry.first);
        names.push_back(entry.first + " ");
    }
    benchsupport::Random random(5);
    for (std::size_t i = names.size(); i > 1; --i)
        std::swap(names[i - 1], names[static_cast<std::size_t>(random.below(static_cast<int>(i)))]);

    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const auto& name : names) {
            std::string tag = cache.getPathFromName(name);
            bytes += tag.size();
            benchmark::DoNotOptimize(tag.data());
        }
    }
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * names.size()));
}

}  // namespace

BENCHMARK(loadCatalogue)->Name("EmoticonCache/load_5000")->Unit(benchmark::kMillisecond);
BENCHMARK(lookUpNames)->Name("EmoticonCache/getPathFromName");
