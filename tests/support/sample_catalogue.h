// SPDX-License-Identifier: MIT
// A small emoticon catalogue written for tests.
#pragma once

#include <string>

namespace testsupport {

// Three classic emoticons (smile, wink, grin: ids 1-3) and two others
// (cake, "rock & roll": ids 4-5).
extern const char SampleCatalogueXml[];

}  // namespace testsupport
