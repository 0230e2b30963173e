// SPDX-License-Identifier: MIT
// The few file-system operations the library needs, on Path values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fs/Path.h"

namespace Tessel {

bool exists(const Path& p);
bool isFile(const Path& p);
// The same answer as isFile(Path(text)), without building the Path, nor a
// copy of the text, when the text needs no rewriting to name it (the common
// case of an image source). The text must be followed by a NUL byte, as the
// contents of a string and their tails are. A text holding a NUL names no
// file.
bool isFileNamed(std::string_view text);
bool isDirectory(const Path& p);
std::uint64_t fileSize(const Path& p, bool refresh);
// One level; on failure error receives the errno value read right after.
bool createDirectory(const Path& p, int& error);
// Creates missing parents first; prints one message for the level that fails.
bool createDirectories(const Path& p);
// The running executable's file, worked out once and kept.
Path executablePath();

}  // namespace Tessel
