// SPDX-License-Identifier: MIT
// The library set up as the client sets it up: Init with a catalogue of the
// corpus, a head for the message bodies, and a callback that only looks at
// what it is given.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tessel/tessel.h"

namespace benchsupport {

// Inits the library once per process with the corpus catalogue emo1000.dat.
void initLibrary();

void ignoreResult(int code, const char* data, int length, std::int64_t user);

// The bodies that ParseHtml_Orb makes of a corpus, with their image lists:
// the input of HtmlFromBody and EChTextFromBody.
struct Bodies {
    std::vector<std::string> bodies;
    std::vector<Tessel::StringPairList> images;
};
const Bodies& corpusBodies(const std::string& name);

}  // namespace benchsupport
