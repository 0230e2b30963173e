// SPDX-License-Identifier: MIT
// Emoticon catalogues in the client's emo.dat format, of any size.
#pragma once

#include <string>

// Writes a catalogue of `count` emoticons: a classic group of the first
// hundred (or fewer) and the rest in the other group, ids numbering them from 1.
void writeCatalogue(const std::string& path, int count);
