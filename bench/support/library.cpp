// SPDX-License-Identifier: MIT
#include "support/library.h"

#include <benchmark/benchmark.h>

#include <map>

#include "support/corpus.h"

namespace benchsupport {

void initLibrary()
{
    static const bool done = [] {
        Tessel::Init("", corpusFile("emo1000.dat").c_str());
        Tessel::SetCustomHead("Team chat", "Ann", "2026-12-06 09:30");
        return true;
    }();
    (void)done;
}

void ignoreResult(int, const char* data, int length, std::int64_t)
{
    benchmark::DoNotOptimize(data);
    benchmark::DoNotOptimize(length);
}

const Bodies& corpusBodies(const std::string& name)
{
    static std::map<std::string, Bodies> made;
    auto found = made.find(name);
    if (found != made.end())
        return found->second;
    initLibrary();
    Bodies result;
    for (const auto& message : messagesOf(name)) {
        Tessel::ParseHtml_Orb(message);
        result.bodies.emplace_back();
        Tessel::GetBody(result.bodies.back());
        result.images.emplace_back();
        Tessel::GetImageVector(result.images.back());
    }
    return made.emplace(name, std::move(result)).first->second;
}

}  // namespace benchsupport
