// Input and output helpers of the command-line tool.
#pragma once

#include <stdexcept>
#include <string>

#include "tessel/tessel.h"

namespace tool {

// A failure to report on one line, with a non-zero exit.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The bytes of a file, or of standard input for "" and "-".
std::string readInput(const std::string& file);

// Pairs (image key, local path) from a JSON file: either an array of
// two-string arrays, or the object printed by "tessel body --json" (its
// "images" member).
Tessel::StringPairList readPairList(const std::string& file);

// Where a catalogue file stops being well-formed XML, as "line L, column C:
// message"; empty when it parses.
std::string describeCatalogueError(const std::string& file);

// The default directory for downloaded pictures.
std::string defaultCacheDirectory();

}  // namespace tool
