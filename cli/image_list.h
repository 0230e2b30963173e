// SPDX-License-Identifier: MIT
// The image list that "tessel html --images" reads.
#pragma once

#include <string>

#include "tessel/tessel.h"

namespace tool {

// Pairs (image key, local path) from a JSON file: either an array of
// two-string arrays, or the object printed by "tessel body --json" (its
// "images" member). Throws Failure with the reason; never recurses on the
// file's nesting.
Tessel::StringPairList readPairList(const std::string& file);

}  // namespace tool
