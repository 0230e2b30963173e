// SPDX-License-Identifier: MIT
// Per-message latency: each call timed on its own, as the median and the
// 99th percentile over the calls of a run, next to the throughput.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

namespace benchsupport {

// Samples of one run, in nanoseconds, kept up to a bound.
class LatencySamples {
public:
    LatencySamples();
    void add(std::chrono::steady_clock::duration elapsed)
    {
        if (samples_.size() < samples_.capacity())
            samples_.push_back(static_cast<float>(std::chrono::duration<double, std::nano>(elapsed).count()));
    }
    // Sets the counters p50_ns and p99_ns, less the cost of the clock read
    // that each sample holds, and the throughput over the messages.
    void report(benchmark::State& state, const std::vector<std::string>& messages);

private:
    std::vector<float> samples_;
};

// Like runOverMessages, with the clock read after every message: a sample is
// the time from one read to the next, so it holds one message and one read.
template <typename Convert>
void runWithLatency(benchmark::State& state, const std::vector<std::string>& messages, Convert convert)
{
    using Clock = std::chrono::steady_clock;
    LatencySamples samples;
    for (auto _ : state) {
        Clock::time_point last = Clock::now();
        for (const auto& message : messages) {
            convert(message);
            const Clock::time_point now = Clock::now();
            samples.add(now - last);
            last = now;
        }
    }
    samples.report(state, messages);
}

}  // namespace benchsupport
