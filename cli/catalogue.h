// SPDX-License-Identifier: MIT
// The emoticon catalogue the tool loads into the library.
#pragma once

#include <string>

namespace tool {

// The sample catalogue installed with the tool: share/tessel/emo.dat beside
// the directory that holds the executable (<prefix>/bin/tessel and
// <prefix>/share/tessel/emo.dat). Empty when the executable's own path is
// unknown.
std::string installedCatalogue();

// Initialises the library with the catalogue named, or with the installed
// one when file is empty. Throws Failure naming the file and the reason when
// it cannot be read or loaded.
void loadCatalogue(const std::string& file);

}  // namespace tool
