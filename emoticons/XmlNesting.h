// SPDX-License-Identifier: MIT
// A pre-parse guard for the catalogue's XML parser, whose recursive descent
// takes stack for every level of element nesting.
#pragma once

namespace Tessel {

// Deepest element nesting accepted in a catalogue file; real files nest
// three levels.
constexpr int maxXmlNesting = 1024;

// Scans zero-terminated XML the way the parser (default flags) will read it
// and throws rapidxml::parse_error("element nesting too deep", position)
// when elements nest deeper than limit. Stops quietly where the parser would
// fail, leaving that error to the parser.
void checkXmlNesting(char* text, int limit);

}  // namespace Tessel
