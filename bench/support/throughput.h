// SPDX-License-Identifier: MIT
// Running a function over every message of a corpus per benchmark iteration,
// with bytes and messages per second reported the same way for all contenders.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "support/corpus.h"

namespace benchsupport {

template <typename Convert>
void runOverMessages(benchmark::State& state, const std::vector<std::string>& messages,
                     Convert convert)
{
    for (auto _ : state) {
        for (const auto& message : messages)
            convert(message);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * totalBytes(messages)));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * messages.size()));
}

}  // namespace benchsupport
