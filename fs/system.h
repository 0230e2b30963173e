// SPDX-License-Identifier: MIT
// The operating system beneath the library: the calls on files, directories,
// the running program and randomness whose form differs from one system to
// another. Each system has one implementation file (filesystem_posix.cpp,
// filesystem_win32.cpp), and the build compiles the target's. Names are
// passed as the UTF-8 bytes of a path's system rendering, NUL-terminated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "fs/Path.h"

namespace Tessel {

enum class EntryKind { missing, file, directory };

// The text by which the system knows p.
std::string systemText(const Path& p);

EntryKind kindOf(const char* name);

// 0 when the size cannot be read. With refresh, the file is opened first,
// which brings a size kept in its directory entry up to date.
std::uint64_t sizeOf(const char* name, bool refresh);

// One level; on failure error receives the error number read right after.
bool makeDirectory(const char* name, int& error);

// The running program's executable file, or empty.
std::string executableName();

// Opens a file to read it as raw bytes; null when it cannot be opened.
std::FILE* openForReading(const Path& p);

// Creates a file that did not exist and opens it for writing raw bytes,
// never through a symbolic link. Null when it cannot; nameTaken then says
// whether an entry of that name was already there.
std::FILE* createNewFile(const char* name, bool& nameTaken);

bool removeFile(const char* name);

// Fills buffer from the system's secure random source; false when the
// source fails.
bool secureRandom(void* buffer, std::size_t size);

// How many bytes of a "file:///" address come before the local path it
// names.
std::size_t fileUrlPrefixLength(std::string_view address);

}  // namespace Tessel
