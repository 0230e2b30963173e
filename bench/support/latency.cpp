// SPDX-License-Identifier: MIT
#include "support/latency.h"

#include <algorithm>

#include "support/corpus.h"

namespace benchsupport {

namespace {

// Enough for a few hundred passes over a corpus of 2,000 messages.
constexpr std::size_t MaxSamples = std::size_t(1) << 21;

double percentile(std::vector<float>& values, double fraction)
{
    if (values.empty())
        return 0;
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(fraction * double(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

// The median time between two clock reads in a row.
double clockReadNanoseconds()
{
    using Clock = std::chrono::steady_clock;
    std::vector<float> reads;
    Clock::time_point last = Clock::now();
    for (int i = 0; i < 100000; ++i) {
        const Clock::time_point now = Clock::now();
        reads.push_back(static_cast<float>(std::chrono::duration<double, std::nano>(now - last).count()));
        last = now;
    }
    return percentile(reads, 0.5);
}

}  // namespace

LatencySamples::LatencySamples()
{
    samples_.reserve(MaxSamples);
}

void LatencySamples::report(benchmark::State& state, const std::vector<std::string>& messages)
{
    const double clock = clockReadNanoseconds();
    state.counters["p50_ns"] = std::max(0.0, percentile(samples_, 0.50) - clock);
    state.counters["p99_ns"] = std::max(0.0, percentile(samples_, 0.99) - clock);
    state.counters["clock_read_ns"] = clock;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * totalBytes(messages)));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * messages.size()));
}

}  // namespace benchsupport
