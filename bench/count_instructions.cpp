// SPDX-License-Identifier: MIT
// Runs one conversion over one corpus, for callgrind to count the
// instructions it takes per message: a figure that, unlike a timing, does not
// move with the load of a shared machine. Only the conversion's own call is
// counted:
//
//   valgrind --tool=callgrind --toggle-collect='Tessel::ParseHtml(*'
//     --callgrind-out-file=cg.out build-bench/bench/count_instructions ParseHtml short 5
//   (one command line)
//   callgrind_annotate --inclusive=yes cg.out
//
// The instructions per message are callgrind's total over the number of
// calls that the program prints.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "html/entities.h"
#include "support/corpus.h"
#include "support/library.h"
#include "tessel/tessel.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: %s CONVERSION CORPUS [PASSES]\n"
                     "  CONVERSION: ParseHtml, ParseHtml_Orb, HtmlFromBody, decodeEntities\n"
                     "  CORPUS: qt, plain, short, dense, large, fixed16, no_amp, no_amp_short\n",
                     argv[0]);
        return 2;
    }
    const std::string conversion = argv[1];
    const std::string corpus = argv[2];
    const int passes = argc > 3 ? std::atoi(argv[3]) : 3;
    benchsupport::initLibrary();
    const auto& messages = benchsupport::messagesOf(corpus);

    std::string out;
    const std::map<std::string, std::function<void(std::size_t)>> conversions = {
        {"ParseHtml",
         [&](std::size_t i) { Tessel::ParseHtml(messages[i], benchsupport::ignoreResult, 0, false); }},
        {"ParseHtml_Orb", [&](std::size_t i) { Tessel::ParseHtml_Orb(messages[i]); }},
        {"HtmlFromBody",
         [&](std::size_t i) {
             const auto& made = benchsupport::corpusBodies(corpus);
             Tessel::HtmlFromBody(out, made.bodies[i], made.images[i]);
         }},
        {"decodeEntities",
         [&](std::size_t i) {
             out.assign(messages[i]);
             Tessel::decodeEntities(out);
         }},
    };
    const auto found = conversions.find(conversion);
    if (found == conversions.end()) {
        std::fprintf(stderr, "unknown conversion %s\n", conversion.c_str());
        return 2;
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (std::size_t i = 0; i < messages.size(); ++i)
            found->second(i);
    }
    std::printf("%s over %s: %zu calls\n", conversion.c_str(), corpus.c_str(), passes * messages.size());
    return 0;
}
