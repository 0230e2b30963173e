// SPDX-License-Identifier: MIT
// The sources a ParseHtml call remembers: the few compared one by one, then
// the hash table, against a std::map holding the same, through growth,
// sources that differ in one byte only, and a table cleared and filled again.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "html/run_memory.h"
#include "html/source_table.h"

using namespace Tessel;

namespace {

// Sources as a message's look: a shared start, a number, an ending; some
// with one byte changed in the middle, at their start or their end, and
// lengths from 0 up; an even count of them.
std::vector<std::string> makeSources(std::mt19937& rng, std::size_t count)
{
    std::vector<std::string> sources = {"", "a", ":/", "12345678", "123456789"};
    const std::string starts[] = {":/Res/FaceMgr/em/", "/home/someone/pictures/", "http://example.com/p/",
                                  ""};
    while (sources.size() < count || sources.size() % 2) {
        std::string source = starts[rng() % 4] + std::to_string(rng() % 5000) + (rng() % 2 ? ".png" : ".jpg");
        sources.push_back(source);
        if (rng() % 4 == 0) {
            source[rng() % source.size()] ^= 1;
            sources.push_back(source);
        }
    }
    return sources;
}

// The table and the map agree on every source, remembered or not.
void expectSameAnswers(SourceTable& table, const std::map<std::string, std::string_view>& model,
                       const std::vector<std::string>& sources)
{
    ASSERT_EQ(table.size(), model.size());
    for (const std::string& source : sources) {
        const SourceTable::Picture* found = table.find(source);
        const auto expected = model.find(source);
        ASSERT_EQ(found != nullptr, expected != model.end()) << source;
        if (found) {
            ASSERT_EQ(found->path.data(), expected->second.data()) << source;
        }
    }
}

}  // namespace

TEST(SourceTable, AnswersAsAMapDoes)
{
    std::mt19937 rng(1207u);
    RunArena memory;
    SourceTable table(memory);
    for (std::size_t count : {std::size_t(3), SourceTable::Few, SourceTable::Few + 1, std::size_t(3000)}) {
        const std::vector<std::string> sources = makeSources(rng, count * 2);
        std::map<std::string, std::string_view> model;
        // Half the sources are remembered, each with a path of its own,
        // checked as the table grows; the others must stay absent.
        for (std::size_t i = 0; i < sources.size(); i += 2) {
            if (model.count(sources[i]))
                continue;
            const std::string_view path = sources[i + 1];
            SourceTable::Picture& picture = table.insert(sources[i], path);
            ASSERT_EQ(picture.path.data(), path.data());
            ASSERT_EQ(picture.run, 0u);
            model.emplace(sources[i], path);
            if (model.size() <= 2 * SourceTable::Few || model.size() % 97 == 0)
                expectSameAnswers(table, model, sources);
        }
        expectSameAnswers(table, model, sources);
        // Cleared with its memory, the table starts again from nothing.
        table.clear();
        memory.clear();
        expectSameAnswers(table, {}, sources);
    }
}
